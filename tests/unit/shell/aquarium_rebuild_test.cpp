// The program's Aquarium on the recording platform with the real goldfish packs: a display
// rebuild (a new quality from the settings dialog, or the rebuild after a failed frame) keeps
// what the fish ate since the last save, and a failed rebuild never writes the roster; a main
// window that cannot be made ends start-up.
#include <gtest/gtest.h>

#include "fish/roster_file.h"
#include "resources/dialogs.h"
#include "resources/resource_ids.h"
#include "shell/shell_texts.h"
#include "tests/support/program_aquarium.h"
#include "tests/support/scripted_ui.h"

namespace brine {
namespace {

class AquariumRebuild : public ::testing::Test {
protected:
    AquariumRebuild() : rig(ui) {}
    void SetUp() override {
        if (!rig.copy_program_files()) GTEST_SKIP() << "the goldfish content has not been built yet";
        rig.write_roster({{0, 0, "kin"}, {0, 9, "full"}});
        ASSERT_TRUE(rig.start());
        ASSERT_EQ(rig.aquarium->count_fish(), 2);
    }
    FishRecord& fish(const char* name) { return rig.aquarium->tank.fish[rig.slot_of(name)]; }

    // Feeds, then runs fixed steps until both fish have eaten: "kin" a pellet, "full" one too
    // many (its overfed count rises).
    void feed_until_both_ate() {
        Aquarium& a = *rig.aquarium;
        a.feed_fish();
        for (int step = 0; step < 3 * 60 * 30 && !(fish("kin").satiety > 0 && fish("full").overfedCount > 0); ++step) {
            rig.clock.advance_ms(33);
            a.tank_step();
            a.tank_animate(1.0f / 30.0f);
        }
        ASSERT_GT(fish("kin").satiety, 0) << "no pellet eaten in three minutes";
        ASSERT_GT(fish("full").overfedCount, 0) << "no pellet eaten in three minutes";
    }

    test::ScriptedUi ui;
    test::ProgramAquarium rig;
};

TEST_F(AquariumRebuild, AQualityChangeKeepsWhatTheFishAte) {
    ASSERT_NO_FATAL_FAILURE(feed_until_both_ate());
    const int eaten = fish("kin").satiety;
    const int overfed = fish("full").overfedCount;

    const int quality = rig.aquarium->settings.qualityIndex == 4 ? 0 : 4;
    ui.dialogScripts.push_back([&](test::ScriptedDialog& d) {
        d.pick(kIdQualityCombo, quality);
        d.press_ok();
    });
    ASSERT_TRUE(rig.aquarium->main_window().command(kCmdSettings));
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(rig.aquarium->settings.qualityIndex, quality);
    EXPECT_EQ(rig.graphics.systems.size(), 2u) << "the display was rebuilt";
    ASSERT_EQ(rig.aquarium->count_fish(), 2);
    EXPECT_EQ(fish("kin").satiety, eaten);
    EXPECT_EQ(fish("full").overfedCount, overfed);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(rig.desktop.finds, 1) << "the way of attaching did not change: the window is kept";
}

TEST_F(AquariumRebuild, ANewWayOfAttachingRebuildsOntoTheHostsNewWindowWithEveryFish) {
    ASSERT_NO_FATAL_FAILURE(feed_until_both_ate());
    const int eaten = fish("kin").satiety;
    const int overfed = fish("full").overfedCount;
    auto run_frame = [&] {
        rig.clock.advance_ms(40);
        rig.aquarium->main_loop().run_pass();
    };
    auto& log = rig.graphics.recorder.log;
    log.calls.clear();
    run_frame();
    ASSERT_EQ(log.count("present"), 1);
    EXPECT_EQ(log.count("stretch_rect"), 1) << "the own desktop's frame draws the wallpaper";

    // Another program's desktop appears: the host retires its window and Present reports the loss
    // once; the loop's rebuild asks for the new window and brings every fish back.
    rig.desktop.changed = true;
    rig.desktop.next = reinterpret_cast<WindowHandle>(0x88);
    rig.desktop.nextWallpaper = false;
    rig.graphics.recorder.failures.fail("present", static_cast<HResult>(0x88760868u), "", 0, 1);
    const std::size_t devices = rig.graphics.systems.size();
    log.calls.clear();
    run_frame();
    EXPECT_EQ(rig.desktop.finds, 2);
    EXPECT_EQ(rig.graphics.systems.size(), devices + 1) << "the display was rebuilt";
    EXPECT_NE(log.index_of("create_device(0, HAL, 0x40, window 0x88)"), -1) << log.dump();
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(rig.aquarium->count_fish(), 2);
    EXPECT_EQ(fish("kin").satiety, eaten);
    EXPECT_EQ(fish("full").overfedCount, overfed);

    // Over the other desktop the frames leave the wallpaper out; nothing else is lost.
    log.calls.clear();
    run_frame();
    EXPECT_EQ(log.count("present"), 1);
    EXPECT_EQ(log.count("stretch_rect"), 0);
    EXPECT_GT(log.count("draw_indexed_primitive"), 0) << "the fish are drawn";
    EXPECT_EQ(rig.desktop.finds, 2);
}

TEST_F(AquariumRebuild, TheRebuildAfterAFailedFrameKeepsItToo) {
    ASSERT_NO_FATAL_FAILURE(feed_until_both_ate());
    const int eaten = fish("kin").satiety;
    ASSERT_EQ(rig.aquarium->recreate_display(), kOk);
    EXPECT_EQ(fish("kin").satiety, eaten);

    // A rebuild that fails keeps the fish it could not bring back in the save file, and the
    // emptied tank is never written over them.
    rig.graphics.available = false;
    EXPECT_NE(rig.aquarium->recreate_display(), kOk);
    EXPECT_EQ(rig.aquarium->count_fish(), 0);
    const auto saved = test::read_bytes(kRosterFileName);
    ASSERT_EQ(saved.size(), kSaveFileSize);
    EXPECT_EQ(decode_save_record(&saved[0]).occupied + decode_save_record(&saved[kSaveRecordSize]).occupied, 2);
    EXPECT_EQ(decode_save_record(&saved[0]).satiety, eaten);
    EXPECT_NE(rig.aquarium->recreate_display(), kOk);
    rig.aquarium->save_roster();
    EXPECT_EQ(test::read_bytes(kRosterFileName), saved);
}

// A main window the platform cannot make ends start-up with its own message, before the tray icon
// and the display, and leaves no settings behind.
TEST(AquariumStartup, AMainWindowThatCannotBeMadeEndsItWithItsMessage) {
    test::ScriptedUi ui;
    ui.mainWindowAvailable = false;
    test::ProgramAquarium rig(ui);
    if (!rig.copy_program_files()) GTEST_SKIP() << "the goldfish content has not been built yet";
    EXPECT_FALSE(rig.start());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgMainWindowFailed);
    EXPECT_EQ(ui.trayAdds, 0);
    EXPECT_TRUE(rig.graphics.systems.empty()) << "no display was brought up";
}

}  // namespace
}  // namespace brine
