// The settings value table's registry-style reads and bounds, and the settings file's text form:
// round trip, tolerance of damaged lines, bounds on hostile input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/settings_file_format.h"
#include "shell/settings_values.h"

namespace brine {
namespace {

using namespace std::string_literals;

HResult put(SettingsValueTable& t, const char* name, std::uint32_t type, const std::string& bytes) {
    return t.set(name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                 static_cast<std::uint32_t>(bytes.size()));
}

SettingsValueTable parse(const std::string& text) {
    SettingsValueTable t;
    parse_settings_file(text.data(), text.size(), t);
    return t;
}

std::string bytes(const SettingsValueTable& t, const char* name) {
    const SettingsValue* v = t.find(name);
    return v ? std::string(v->data.begin(), v->data.end()) : "<absent>";
}

TEST(SettingsValueTable, ReadsInTwoStepsLikeTheRegistry) {
    SettingsValueTable t;
    ASSERT_EQ(put(t, "WALLFILE", kRegBinary, "abcdef"), kOk);
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(t.query("MISSING", &type, nullptr, &size), kSettingsNotFound);
    EXPECT_EQ(t.query("wallfile", &type, nullptr, &size), kSettingsNotFound);  // names are exact

    EXPECT_EQ(t.query("WALLFILE", &type, nullptr, &size), kOk);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(t.query("WALLFILE", nullptr, nullptr, nullptr), kOk);  // existence only

    std::uint8_t buf[8];
    std::memset(buf, 0xEE, sizeof buf);
    size = 5;  // one short
    EXPECT_EQ(t.query("WALLFILE", nullptr, buf, &size), kSettingsMoreData);
    EXPECT_EQ(size, 6u);
    for (std::uint8_t b : buf) EXPECT_EQ(b, 0xEE);  // nothing written

    size = sizeof buf;
    EXPECT_EQ(t.query("WALLFILE", nullptr, buf, &size), kOk);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 6), "abcdef");
    EXPECT_EQ(buf[6], 0xEE);
    EXPECT_EQ(t.query("WALLFILE", nullptr, buf, nullptr), kInvalidArg);
}

TEST(SettingsValueTable, RefusesBadNamesOversizeValuesAndAFullTable) {
    SettingsValueTable t;
    for (const char* bad : {"", "A=B", "with space", "#comment", "tab\there", "\x8B\xE0"})
        EXPECT_EQ(put(t, bad, kRegDword, "1234"), kInvalidArg) << bad;
    EXPECT_EQ(put(t, std::string(255, 'N').c_str(), kRegBinary, ""), kOk);
    EXPECT_EQ(put(t, std::string(256, 'N').c_str(), kRegBinary, ""), kInvalidArg);
    EXPECT_EQ(put(t, "BIG", kRegBinary, std::string(kMaxSettingsValueBytes, 'b')), kOk);
    EXPECT_EQ(put(t, "BIG", kRegBinary, std::string(kMaxSettingsValueBytes + 1, 'b')), kInvalidArg);
    EXPECT_EQ(bytes(t, "BIG").size(), kMaxSettingsValueBytes);  // the refused write left it alone
    EXPECT_EQ(t.set("NULL", kRegBinary, nullptr, 3), kInvalidArg);
    EXPECT_EQ(t.set("NULL", kRegBinary, nullptr, 0), kOk);

    while (t.values().size() < kMaxSettingsValues)
        ASSERT_EQ(put(t, ("V" + std::to_string(t.values().size())).c_str(), kRegDword, "1234"), kOk);
    EXPECT_EQ(put(t, "ONE_MORE", kRegDword, "1234"), kInvalidArg);
    EXPECT_EQ(put(t, "BIG", kRegDword, "5678"), kOk);  // replacing still works when full
    EXPECT_EQ(t.find("BIG")->type, kRegDword);
}

TEST(SettingsFileFormat, WritesReadableLinesAndReadsThemBack) {
    SettingsValueTable t;
    put(t, "NAMES", kRegDword, std::string("\x01\x00\x00\x00", 4));
    put(t, "WALLTYPE", kRegDword, std::string("\xF0\x03\x00\x00", 4));
    put(t, "WALLFILE", kRegBinary, "C:\\\x8B\xE0.png");
    put(t, "EMPTY", kRegBinary, "");
    put(t, "LONGDWORD", kRegDword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    put(t, "SHORT", kRegDword, std::string("\x07", 1));
    put(t, "TEXT", 1, std::string("hi\0", 3));
    put(t, "ODDTYPE", 0xFFFFFFFFu, std::string(1, '\0'));
    const std::string text = format_settings_file(t);
    EXPECT_NE(text.find("\nNAMES=dword:00000001\n"), std::string::npos);
    EXPECT_NE(text.find("\nWALLTYPE=dword:000003f0\n"), std::string::npos);
    EXPECT_NE(text.find("\nWALLFILE=binary:433a5c8be02e706e67\n"), std::string::npos);
    EXPECT_NE(text.find("\nEMPTY=binary:\n"), std::string::npos);
    EXPECT_NE(text.find("\nLONGDWORD=hex(4):0102030405060708\n"), std::string::npos);
    EXPECT_NE(text.find("\nTEXT=hex(1):686900\n"), std::string::npos);
    EXPECT_NE(text.find("\nODDTYPE=hex(ffffffff):00\n"), std::string::npos);
    EXPECT_TRUE(parse(text) == t);
}

TEST(SettingsFileFormat, ToleratesCommentsBlankLinesAndWindowsLineEnds) {
    const SettingsValueTable t = parse(
        "# a comment\r\n\r\n\nNAMES=dword:0000000A\r\nWALLFILE=binary:4142\nhex0=hex(0):\n#X=dword:00000001");
    EXPECT_EQ(t.values().size(), 3u);
    EXPECT_EQ(bytes(t, "NAMES"), std::string("\x0A\x00\x00\x00", 4));
    EXPECT_EQ(bytes(t, "WALLFILE"), "AB");
    EXPECT_EQ(t.find("hex0")->type, 0u);
    EXPECT_EQ(bytes(t, "#X"), "<absent>");
}

TEST(SettingsFileFormat, MalformedLinesCostOnlyTheirOwnValue) {
    const SettingsValueTable t = parse(
        "GOOD=dword:00000001\n"
        "NAMES=dword:0000001\n"     // seven digits
        "SATIETY=dword:000000011\n" // nine
        "WALLTYPE=dword:0000000g\n"
        "WALLFILE=binary:abc\n"     // odd count
        "STARTUP=string:hello\n"
        "BBSIZE dword:00000001\n"
        " LEAD=dword:00000001\n"
        "=dword:00000001\n"
        "T1=hex(123456789):00\n"
        "T2=hex():00\n"
        "T3=hex(4)00\n"
        "T4=hex(4\n"
        "T5=hex(4):0\n"
        "NUL=binary:00\0\n"
        "LAST=binary:ff\n"s);
    EXPECT_EQ(t.values().size(), 2u);
    EXPECT_EQ(bytes(t, "GOOD"), std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(bytes(t, "LAST"), "\xFF");
}

TEST(SettingsFileFormat, LaterLineForTheSameNameWins) {
    const SettingsValueTable t = parse("NAMES=dword:00000001\nNAMES=binary:02\n");
    ASSERT_EQ(t.values().size(), 1u);
    EXPECT_EQ(t.find("NAMES")->type, kRegBinary);
    EXPECT_EQ(bytes(t, "NAMES"), "\x02");
}

TEST(SettingsFileFormat, BoundsHoldAgainstHugeInput) {
    std::string many;
    for (int i = 0; i < 100; ++i) many += "V" + std::to_string(i) + "=dword:00000001\n";
    EXPECT_EQ(parse(many).values().size(), kMaxSettingsValues);

    const std::string longValue = "BIG=binary:" + std::string(2 * (kMaxSettingsValueBytes + 1), 'a') + "\nOK=binary:\n";
    const SettingsValueTable t = parse(longValue);
    EXPECT_EQ(bytes(t, "BIG"), "<absent>");
    EXPECT_EQ(bytes(t, "OK"), "");

    std::string huge = "NAMES=dword:00000001\n" + std::string(kMaxSettingsFileBytes, '#');
    EXPECT_TRUE(parse(huge).values().empty());  // that large, the file is damaged as a whole

    SettingsValueTable full;  // the largest table formats below the bound and reads back
    for (std::size_t i = 0; i < kMaxSettingsValues; ++i) {
        std::string name = std::to_string(i) + std::string(kMaxSettingsNameBytes, 'n');
        name.resize(kMaxSettingsNameBytes);
        put(full, name.c_str(), 0xABCDEF01u, std::string(kMaxSettingsValueBytes, '\xFF'));
    }
    const std::string text = format_settings_file(full);
    EXPECT_LT(text.size(), kMaxSettingsFileBytes);
    EXPECT_TRUE(parse(text) == full);
}

}  // namespace
}  // namespace brine
