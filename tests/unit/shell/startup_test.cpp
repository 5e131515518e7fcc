// The start-up sequence over scripted steps: order, the failure table's messages and exit codes,
// the silent stop asked by the topics step and the one fallback to the lowest quality.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/shell_texts.h"
#include "shell/startup.h"
#include "tests/support/scripted_message_boxes.h"

namespace brine {
namespace {

class ScriptedSteps : public StartupSteps {
public:
    bool another_instance_running() override { return note("instance", otherInstance); }
    bool check_active_desktop() override { return note("desktop", desktopOk); }
    void load_settings() override { note("settings", true); }
    bool load_topics() override { return note("topics", topicsGoOn); }
    bool build_catalog() override { return note("catalog", catalogOk); }
    bool create_main_window() override { return note("window", windowOk); }
    HResult init_display(std::int32_t w, std::int32_t h) override {
        calls.push_back("display:" + std::to_string(w) + "x" + std::to_string(h));
        const bool ok = displayAnswers.empty() ? true : displayAnswers.front();
        if (!displayAnswers.empty()) displayAnswers.erase(displayAnswers.begin());
        return ok ? kOk : kFail;
    }
    void save_settings() override { note("save_settings", true); }
    HResult init_scene() override { return note("scene", sceneOk) ? kOk : kFail; }
    void enter_background() override { note("background", true); }

    bool note(const char* step, bool answer) {
        calls.emplace_back(step);
        return answer;
    }
    bool otherInstance = false, desktopOk = true, topicsGoOn = true, catalogOk = true, windowOk = true, sceneOk = true;
    std::vector<bool> displayAnswers;
    std::vector<std::string> calls;
};

class StartupTest : public ::testing::Test {
protected:
    StartupOutcome start() { return run_startup(steps, settings, boxes); }
    void expect_one_warning(const char* text, bool owned) {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, text);
        EXPECT_EQ(boxes.shown[0].caption, kCaptionWarning);
        EXPECT_EQ(boxes.shown[0].style, static_cast<std::uint32_t>(kMbIconWarning));
        EXPECT_EQ(boxes.shown[0].owned, owned);
    }
    ScriptedSteps steps;
    AppSettings settings;
    test::ScriptedMessageBoxes boxes;
};

TEST_F(StartupTest, AllStepsInOrder) {
    settings.qualityIndex = 2;
    back_buffer_size_for(2, &settings.backBufferWidth, &settings.backBufferHeight);
    const StartupOutcome r = start();
    EXPECT_TRUE(r.enterMainLoop);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(steps.calls, (std::vector<std::string>{"instance", "desktop", "settings", "topics", "catalog", "window",
                                                     "display:1024x768", "scene", "background"}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(StartupTest, SecondInstanceDoesNothingElse) {
    steps.otherInstance = true;
    const StartupOutcome r = start();
    EXPECT_FALSE(r.enterMainLoop);
    EXPECT_EQ(r.exitCode, kExitFailure);
    EXPECT_EQ(r.exitCode & 0xFF, 255);  // what a POSIX parent sees
    EXPECT_EQ(steps.calls, (std::vector<std::string>{"instance"}));
    expect_one_warning(kMsgAlreadyRunning, false);
}

TEST_F(StartupTest, DesktopRefusedBeforeSettingsAreRead) {
    steps.desktopOk = false;
    EXPECT_EQ(start().exitCode, kExitFailure);
    EXPECT_EQ(steps.calls.back(), "desktop");
    expect_one_warning(kMsgEnableActiveDesktop, false);
}

TEST_F(StartupTest, TopicsStopEndsSilentlyWithZero) {
    steps.topicsGoOn = false;
    const StartupOutcome r = start();
    EXPECT_FALSE(r.enterMainLoop);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(steps.calls.back(), "topics");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(StartupTest, CatalogAndWindowFailures) {
    steps.catalogOk = false;
    EXPECT_EQ(start().exitCode, kExitFailure);
    expect_one_warning(kMsgCatalogFailed, false);

    boxes.shown.clear();
    steps = ScriptedSteps();
    steps.windowOk = false;
    EXPECT_EQ(start().exitCode, kExitFailure);
    expect_one_warning(kMsgMainWindowFailed, false);
    EXPECT_EQ(steps.calls.back(), "window");
}

TEST_F(StartupTest, DeviceFailureAtLowestQualityIsNotRetried) {
    settings.qualityIndex = 0;
    steps.displayAnswers = {false, true};
    EXPECT_EQ(start().exitCode, kExitFailure);
    EXPECT_EQ(std::count(steps.calls.begin(), steps.calls.end(), "display:640x480"), 1);
    expect_one_warning(kMsgDirectXFailed, true);
}

TEST_F(StartupTest, DeviceFallbackRunsAtLowestQualityAndSavesIt) {
    settings.qualityIndex = 3;
    back_buffer_size_for(3, &settings.backBufferWidth, &settings.backBufferHeight);
    steps.displayAnswers = {false, true};
    const StartupOutcome r = start();
    EXPECT_TRUE(r.enterMainLoop);
    EXPECT_EQ(settings.qualityIndex, 0);
    EXPECT_EQ(settings.backBufferWidth, 640);
    EXPECT_EQ(settings.backBufferHeight, 480);
    EXPECT_EQ(steps.calls, (std::vector<std::string>{"instance", "desktop", "settings", "topics", "catalog", "window",
                                                     "display:1280x1024", "display:640x480", "save_settings", "scene",
                                                     "background"}));
    expect_one_warning(kMsgPerformanceFallback, true);
}

TEST_F(StartupTest, DeviceFailingTwiceAndSceneFailure) {
    settings.qualityIndex = 1;
    steps.displayAnswers = {false, false};
    EXPECT_EQ(start().exitCode, kExitFailure);
    expect_one_warning(kMsgDirectXFailed, true);
    EXPECT_EQ(std::count(steps.calls.begin(), steps.calls.end(), "save_settings"), 0);

    boxes.shown.clear();
    steps = ScriptedSteps();
    steps.sceneOk = false;
    EXPECT_EQ(start().exitCode, kExitFailure);
    expect_one_warning(kMsgSceneFailed, true);
    EXPECT_EQ(steps.calls.back(), "scene");
}

}  // namespace
}  // namespace brine
