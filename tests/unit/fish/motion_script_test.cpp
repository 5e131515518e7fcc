// Motion scripts: the key table, what each statement fills, and the scripts that are refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "data/resource_registry.h"
#include "fish/motion_script.h"

namespace brine {
namespace {

bool parse(const std::string& text, MotionParams* params, const ResourceRegistry* registry = nullptr) {
    ScriptText script;
    EXPECT_TRUE(script.set_text_copy(text.data(), static_cast<std::uint32_t>(text.size())));
    script.set_registry(registry);
    return parse_motion_script(script, params);
}

const char* const kGoldfish =
    "// kingyo motion values\r\n"
    "FPS(30)\r\n"
    "MotionNum(5)\r\n"
    "TrackRecord(0, 0, 0, 59)\r\n"
    "TrackRecord(1, 1, 5, 35)\r\n"
    "TrackRecord(2, 2, 0, 20)\r\n"
    "TrackRecord(3, 0, 60, 119)\r\n"
    "Scale(1.25)\r\n"
    "Wait(1500)\r\n"
    "SlowSpeed(0.55)\r\n"
    "SlowRotateH(3.0)\r\n"
    "SlowRotateV(1.5)\r\n"
    "FastSpeed(1.5)\r\n"
    "FastRotateH(7.0)\r\n"
    "FastRotateV(2.5)\r\n"
    "Gravity(-0.25)\r\n"
    "End()\r\n"
    "FPS(oops\r\n";  // never read

TEST(MotionScript, AWholeScriptFillsEveryValue) {
    MotionParams p;
    ASSERT_TRUE(parse(kGoldfish, &p));
    EXPECT_EQ(p.fps, 30);
    EXPECT_EQ(p.motionNum, 5);
    EXPECT_EQ(p.scale, 1.25f);
    EXPECT_EQ(p.wait, 1500);
    EXPECT_EQ(p.slowSpeed, 0.55f);
    EXPECT_EQ(p.slowRotateH, 3.0f);
    EXPECT_EQ(p.slowRotateV, 1.5f);
    EXPECT_EQ(p.fastSpeed, 1.5f);
    EXPECT_EQ(p.fastRotateH, 7.0f);
    EXPECT_EQ(p.fastRotateV, 2.5f);
    EXPECT_EQ(p.gravity, -0.25f);
    ASSERT_TRUE(p.trackRecords);
    EXPECT_EQ(p.trackRecords[1].animationSet, 1);
    EXPECT_EQ(p.trackRecords[1].startFrame, 5);
    EXPECT_EQ(p.trackRecords[1].endFrame, 35);
    EXPECT_EQ(p.trackRecords[3].startFrame, 60);
    EXPECT_EQ(p.trackRecords[4].endFrame, 0);  // never set: zero
    EXPECT_TRUE(motion_params_usable(p, 3));
}

TEST(MotionScript, EverythingIsClearedFirstAndTheLastValueWins) {
    MotionParams p;
    p.scale = 9.0f;
    p.gravity = 3.0f;
    ASSERT_TRUE(parse("FPS(10)FPS(24)MotionNum(4)TrackRecord(2,0,7,9)MotionNum(4)End()", &p));
    EXPECT_EQ(p.fps, 24);
    EXPECT_EQ(p.scale, 0.0f);
    EXPECT_EQ(p.gravity, 0.0f);
    EXPECT_EQ(p.trackRecords[2].startFrame, 0);  // the second MotionNum made a fresh table
}

TEST(MotionScript, RefusedScripts) {
    const char* refused[] = {
        "TrackRecord(0,0,0,10)MotionNum(4)End()",  // records before their table
        "MotionNum(4)TrackRecord(4,0,0,10)End()",  // index past the table
        "MotionNum(4)TrackRecord(-1,0,0,10)End()",
        "MotionNum(4)TrackRecord(x,0,0,10)End()",  // no index at all
        "MotionNum(0)TrackRecord(0,0,0,10)End()",
        "MotionNum(257)End()",  // a table no kind needs
        "MotionNum(-4)End()",
        "Scale(1e999)End()",  // infinite
        "Gravity(-1e999)End()",
        "Speed(1)End()",  // unknown key
        "FPS(30)",        // no End
        "MotionNum(4)TrackRecord(1,2,3)End()",  // too few arguments
    };
    for (const char* text : refused) {
        MotionParams p;
        EXPECT_FALSE(parse(text, &p)) << text;
    }
}

TEST(MotionScript, ATableOfTheLimitIsAccepted) {
    MotionParams p;
    ASSERT_TRUE(parse("MotionNum(256)TrackRecord(255,1,2,3)End()", &p));
    EXPECT_EQ(p.trackRecords[255].endFrame, 3);
}

TEST(MotionScript, NonNumericIntegersKeepTheFieldsValue) {
    MotionParams p;
    ASSERT_TRUE(parse("Wait(abc)FPS(30)FPS(x)MotionNum(4)TrackRecord(1,2,3,4)MotionNum(many)"
                      "TrackRecord(1,set,5,end)End()",
                      &p));
    EXPECT_EQ(p.wait, 0);
    EXPECT_EQ(p.fps, 30);
    EXPECT_EQ(p.motionNum, 4);
    ASSERT_TRUE(p.trackRecords);
    EXPECT_EQ(p.trackRecords[1].animationSet, 2);  // kept through "MotionNum(many)" and "set"
    EXPECT_EQ(p.trackRecords[1].startFrame, 5);
    EXPECT_EQ(p.trackRecords[1].endFrame, 4);
    MotionParams q;
    ASSERT_TRUE(parse("Scale(big)Gravity(-)End()", &q));  // reals behave the same
    EXPECT_EQ(q.scale, 0.0f);
    EXPECT_EQ(q.gravity, 0.0f);
}

TEST(MotionScript, ReferencesResolveThroughTheRegistry) {
    ResourceRegistry registry;
    ASSERT_TRUE(registry.append_resource(ValueList::create_int("kingyo_fps", 25)));
    ASSERT_TRUE(registry.append_resource(ValueList::create_real("kingyo_scale", 0.75f)));
    MotionParams p;
    ASSERT_TRUE(parse("FPS(@kingyo_fps)Scale(@kingyo_scale)End()", &p, &registry));
    EXPECT_EQ(p.fps, 25);
    EXPECT_EQ(p.scale, 0.75f);
    EXPECT_FALSE(parse("FPS(@kingyo_fps)End()", &p));  // no registry: the reference fails
}

TEST(MotionScript, UsableValues) {
    auto base = [] {
        MotionParams p;
        p.fps = 30;
        p.wait = 1000;
        p.motionNum = 5;
        p.trackRecords.reset(new MotionRecord[5]());
        return p;
    };
    EXPECT_TRUE(motion_params_usable(base(), 1));
    EXPECT_TRUE(motion_params_usable(base(), 0));  // no animation: set 0 plays nothing
    MotionParams p = base();
    p.fps = 0;
    EXPECT_FALSE(motion_params_usable(p, 1));
    p = base();
    p.fps = -30;
    EXPECT_FALSE(motion_params_usable(p, 1));
    p = base();
    p.wait = 0;
    EXPECT_FALSE(motion_params_usable(p, 1));
    p = base();
    p.motionNum = 3;
    EXPECT_FALSE(motion_params_usable(p, 1));
    p = base();
    // With one set (or none) the named set does not matter: the frames play in set 0.
    p.trackRecords[1].animationSet = 1;
    p.trackRecords[2].animationSet = 2;
    p.trackRecords[3].animationSet = 3;
    EXPECT_TRUE(motion_params_usable(p, 1));
    EXPECT_TRUE(motion_params_usable(p, 0));
    // With several sets a record must name one of them.
    EXPECT_FALSE(motion_params_usable(p, 2));
    EXPECT_FALSE(motion_params_usable(p, 3));
    EXPECT_TRUE(motion_params_usable(p, 4));
    p.trackRecords[0].animationSet = -1;
    EXPECT_FALSE(motion_params_usable(p, 4));
    p = base();
    p.trackRecords[4].animationSet = 99;  // past the four states: never played
    EXPECT_TRUE(motion_params_usable(p, 1));
}

}  // namespace
}  // namespace brine
