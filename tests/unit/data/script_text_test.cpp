#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "data/script_text.h"

namespace brine {
namespace {

// A script over a copy of the given text.
class TestScript : public ScriptText {
public:
    explicit TestScript(const std::string& text) {
        EXPECT_TRUE(set_text_copy(text.data(), static_cast<std::uint32_t>(text.size())));
    }
};

// A motion-script-like table for exercising the statement syntax.
const char* const kKeys[] = {"FPS", "Scale", "Name", "Track", "End"};
enum { kFps, kScale, kName, kTrack, kEnd };

struct Values {
    std::int32_t fps = -1;
    float scale = -1.0f;
    std::string name;
    std::int32_t track[3] = {0, 0, 0};
};

bool parse(ScriptText& s, Values& v, const ResourceRegistry* registry = nullptr) {
    s.set_registry(registry);
    return parse_statements(s, kKeys, [&v](int key, ScriptText& in) {
        switch (key) {
            case kFps: return in.read_int(&v.fps, ')');
            case kScale: return in.read_real(&v.scale, ')');
            case kName: {
                Token t;
                if (!in.read_string(t, ')')) return false;
                v.name = t;
                return true;
            }
            case kTrack:
                return in.read_int(&v.track[0], ',') && in.read_int(&v.track[1], ',') &&
                       in.read_int(&v.track[2], ')');
        }
        return false;
    });
}

bool parse_text(const std::string& text, Values& v, const ResourceRegistry* registry = nullptr) {
    TestScript s(text);
    return parse(s, v, registry);
}

TEST(ScriptStatements, ParsesADocumentAndStopsAtEnd) {
    Values v;
    EXPECT_TRUE(parse_text("// motion\r\nFPS(30)\r\n  Scale( 1.5 )\r\nTrack(1, -2 ,3)\r\nEnd()\r\n"
                           "this is ) never ( read \x82",
                           v));
    EXPECT_EQ(v.fps, 30);
    EXPECT_FLOAT_EQ(v.scale, 1.5f);
    EXPECT_EQ(v.track[1], -2);
    EXPECT_EQ(v.track[2], 3);
    Values w;
    EXPECT_TRUE(parse_text("End( )", w));
}

TEST(ScriptStatements, FailsWithoutEndButKeepsEarlierValues) {
    Values v;
    EXPECT_FALSE(parse_text("FPS(30)\r\nScale(2)\r\n", v));
    EXPECT_EQ(v.fps, 30);
    EXPECT_FLOAT_EQ(v.scale, 2.0f);
    Values w;
    EXPECT_FALSE(parse_text("", w));
    EXPECT_FALSE(parse_text("   \r\n", w));
    EXPECT_FALSE(parse_text("FPS(30", w));
    EXPECT_FALSE(parse_text("End(", w));
    EXPECT_FALSE(parse_text("End(x)", w));
}

TEST(ScriptStatements, RefusesUnknownKeysAndBlankBeforeParenthesis) {
    Values v;
    EXPECT_FALSE(parse_text("FPS (30)\r\nEnd()", v));
    EXPECT_EQ(v.fps, -1);
    EXPECT_FALSE(parse_text("fps(30)\r\nEnd()", v));
    EXPECT_FALSE(parse_text("/ FPS(30)\r\nEnd()", v));  // a lone slash is no comment
}

TEST(ScriptStatements, CommentRunsToTheNextCarriageReturn) {
    Values v;
    EXPECT_FALSE(parse_text("// comment\nFPS(30)\nEnd()\n", v));  // LF-only: swallowed whole
    EXPECT_EQ(v.fps, -1);
    Values w;
    EXPECT_TRUE(parse_text("// one\nFPS(1)\r\nFPS(2)\r\nEnd()", w));
    EXPECT_EQ(w.fps, 2);
    // A lead byte takes the byte after it, even a CR: the comment goes on to the next CR.
    Values x;
    EXPECT_TRUE(parse_text("// \x82\r\nFPS(7)\r\nFPS(8)\r\nEnd()", x));
    EXPECT_EQ(x.fps, 8);
}

TEST(ScriptStatements, NonNumbersLeaveTheValueAndTheParseGoesOn) {
    Values v;
    EXPECT_TRUE(parse_text("Scale(3)\r\nScale(abc)\r\nScale(+4)\r\nScale(.5)\r\nFPS( )\r\nEnd()", v));
    EXPECT_FLOAT_EQ(v.scale, 3.0f);
    EXPECT_EQ(v.fps, -1);
    Values w;
    EXPECT_TRUE(parse_text("Scale(-.5)\r\nFPS(-)\r\nEnd()", w));
    EXPECT_FLOAT_EQ(w.scale, -0.5f);
    EXPECT_EQ(w.fps, 0);
}

TEST(ScriptStatements, QuotedStringsMustMeetTheirDelimiter) {
    Values v;
    EXPECT_TRUE(parse_text("Name(  \"\x8B\xE0\x8B\x9B, (x)\")\r\nEnd()", v));  // 金魚
    EXPECT_EQ(v.name, "\x8B\xE0\x8B\x9B, (x)");
    Values w;
    EXPECT_FALSE(parse_text("Name(\"a\" )\r\nEnd()", w));
    EXPECT_FALSE(parse_text("Name(a)\r\nEnd()", w));
    EXPECT_FALSE(parse_text("Name(\"abc)\r\nEnd()", w));
}

TEST(ScriptStatements, ReferencesResolveOnlyThroughMatchingValueLists) {
    Values v;
    EXPECT_FALSE(parse_text("FPS(@rate)\r\nEnd()", v));
    ResourceRegistry registry;
    EXPECT_FALSE(parse_text("FPS(@rate)\r\nEnd()", v, &registry));
    registry.append_resource(ValueList::create_int("rate", 24));
    registry.append_resource(ValueList::create_real("size", 2.5f));
    registry.append_resource(ValueList::create_string("title", "\x8B\xE0\x8B\x9B"));
    registry.append_resource(create_resource<TextureResource>("tex"));
    Values w;
    EXPECT_TRUE(parse_text("FPS( @rate)\r\nScale(@size)\r\nName(@title)\r\nEnd()", w, &registry));
    EXPECT_EQ(w.fps, 24);
    EXPECT_FLOAT_EQ(w.scale, 2.5f);
    EXPECT_EQ(w.name, "\x8B\xE0\x8B\x9B");
    EXPECT_FALSE(parse_text("FPS(@size)\r\nEnd()", w, &registry));   // wrong type
    EXPECT_FALSE(parse_text("FPS(@tex)\r\nEnd()", w, &registry));    // not a value list
    EXPECT_FALSE(parse_text("FPS(@rate )\r\nEnd()", w, &registry));  // the blank is part of the name
    EXPECT_FALSE(parse_text("FPS(@nothing)\r\nEnd()", w, &registry));
}

TEST(ScriptRead, TokensOf259BytesFitAnd260AreRefusedInsideTheBuffer) {
    TestScript s(std::string(259, 'a') + ",");
    Token t;
    std::uint32_t n = 0;
    EXPECT_TRUE(s.read_until(',', t, &n));
    EXPECT_EQ(n, 259u);
    EXPECT_TRUE(s.at_end());

    TestScript l(std::string(260, 'a') + ",");
    EXPECT_FALSE(l.read_until(',', t, &n));
    EXPECT_EQ(n, 259u);
    EXPECT_EQ(std::strlen(t), 259u);

    // A double-byte character that would straddle the limit is not split.
    TestScript d(std::string(258, 'a') + "\x8B\xE0,");
    EXPECT_FALSE(d.read_until(',', t, &n));
    EXPECT_EQ(n, 258u);

    Values v;
    EXPECT_FALSE(parse_text("Name(\"" + std::string(260, 'x') + "\")\r\nEnd()", v));
    EXPECT_TRUE(parse_text("Name(\"" + std::string(259, 'x') + "\")\r\nEnd()", v));
    EXPECT_EQ(v.name.size(), 259u);
    ResourceRegistry registry;
    registry.append_resource(ValueList::create_string("long", std::string(300, 'y').c_str()));
    EXPECT_FALSE(parse_text("Name(@long)\r\nEnd()", v, &registry));
}

TEST(ScriptRead, DoubleByteSecondBytesAreNeverDelimiters) {
    // 表 is 0x95 0x5C: its second byte is a backslash, and '@' (0x40) is a possible second byte.
    TestScript s("\x95\x5C\\rest\x83\x40@x");
    Token t;
    ASSERT_TRUE(s.read_until('\\', t));
    EXPECT_STREQ(t, "\x95\x5C");
    ASSERT_TRUE(s.read_until('@', t));
    EXPECT_STREQ(t, "rest\x83\x40");
    // A lead byte at the very end takes the trailing zero with it and the read fails cleanly.
    TestScript e("ab\x82");
    EXPECT_FALSE(e.read_until(',', t));
    EXPECT_TRUE(e.at_end());
    EXPECT_FALSE(e.skip_blanks() && e.read_until(',', t));
}

TEST(ScriptRead, PrimitivesAtTheEdges) {
    TestScript s("  \r\n");
    EXPECT_FALSE(s.skip_blanks());
    TestScript empty("");
    EXPECT_TRUE(empty.skip_blanks());  // the trailing zero is under the cursor
    EXPECT_FALSE(empty.expect_close());
    TestScript c("no line end");
    EXPECT_FALSE(c.skip_comment());
    TestScript r("x\r");
    EXPECT_TRUE(r.skip_comment());
    EXPECT_EQ(r.peek(), '\r');

    TestScript f("  model name ,  last");
    std::string field;
    EXPECT_TRUE(f.read_field(',', &field));
    EXPECT_EQ(field, "model name ");
    EXPECT_FALSE(f.read_field(',', &field));
    EXPECT_EQ(field, "last");  // the bytes up to the end

    EXPECT_EQ(ScriptText::lookup_key("Scale", kKeys), kScale);
    EXPECT_EQ(ScriptText::lookup_key("scale", kKeys), -1);

    TestScript i("12abc,");
    std::int32_t value = 0;
    EXPECT_TRUE(i.read_int(nullptr, ','));  // output optional
    TestScript j(" 0x1F ,");
    EXPECT_TRUE(j.read_int(&value, ','));
    EXPECT_EQ(value, 0);
}

TEST(ScriptNumbers, ReadLikeTheClassicRuntime) {
    EXPECT_EQ(atol_value("42xyz"), 42);
    EXPECT_EQ(atol_value("  -17"), -17);
    EXPECT_EQ(atol_value("+5"), 5);
    EXPECT_EQ(atol_value("-"), 0);
    EXPECT_EQ(atol_value("99999999999999999999"), 2147483647);
    EXPECT_EQ(atol_value("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(atol_value("-2147483648"), -2147483647 - 1);

    EXPECT_DOUBLE_EQ(atof_value("1.5e2x"), 150.0);
    EXPECT_DOUBLE_EQ(atof_value("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(atof_value("3."), 3.0);
    EXPECT_DOUBLE_EQ(atof_value("2e"), 2.0);
    EXPECT_DOUBLE_EQ(atof_value("2e+"), 2.0);
    EXPECT_DOUBLE_EQ(atof_value("2E-1"), 0.2);
    EXPECT_DOUBLE_EQ(atof_value("0.1"), 0.1);  // correctly rounded, whatever the C locale says
    EXPECT_DOUBLE_EQ(atof_value("0x10"), 0.0);
    EXPECT_DOUBLE_EQ(atof_value("-inf"), 0.0);
    EXPECT_DOUBLE_EQ(atof_value("."), 0.0);
    EXPECT_TRUE(std::isinf(atof_value("1e999")));
    EXPECT_TRUE(std::isinf(atof_value("-1e999")) && atof_value("-1e999") < 0);
    EXPECT_DOUBLE_EQ(atof_value("1e-999"), 0.0);
    EXPECT_DOUBLE_EQ(atof_value(("0." + std::string(400, '0') + "1e400").c_str()), 0.1);
    EXPECT_TRUE(std::isinf(to_float(1e300)));
    EXPECT_EQ(to_float(0.25), 0.25f);

    TestScript s("1e300)");
    float f = 0;
    EXPECT_TRUE(s.read_real(&f, ')'));
    EXPECT_TRUE(std::isinf(f));
}

}  // namespace
}  // namespace brine
