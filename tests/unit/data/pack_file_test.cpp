#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "data/file_path.h"
#include "data/pack_file.h"
#include "data/pack_writer.h"
#include "tests/support/scratch_dir.h"

namespace brine {
namespace {

using test::read_bytes;
using test::ScratchDir;
using test::write_bytes;

std::vector<unsigned char> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

// A raw pack: header with the given count, then the given entries, then the data blob.
std::vector<unsigned char> raw_pack(std::uint32_t count, const std::vector<PackEntry>& entries,
                                    const std::string& data) {
    std::vector<unsigned char> out(kPackHeaderSize + kPackEntrySize * entries.size(), 0);
    std::memcpy(out.data(), kPackMagic, 3);
    write_le32(out.data() + 8, count);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        unsigned char* e = out.data() + kPackHeaderSize + kPackEntrySize * i;
        std::memcpy(e, entries[i].name, kPackNameField);
        write_le32(e + 24, entries[i].offset);
        write_le32(e + 28, entries[i].size);
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

PackEntry entry(const char* name, std::uint32_t offset, std::uint32_t size) {
    PackEntry e{};
    std::strncpy(e.name, name, kPackNameField - 1);
    e.offset = offset;
    e.size = size;
    return e;
}

std::string loaded(const std::string& path, const char* member, HResult* result = nullptr) {
    MemoryBlock block;
    HResult r = load_into_memory(path.c_str(), member, &block);
    if (result) *result = r;
    if (failed(r)) return "<fail>";
    EXPECT_EQ(block.data()[block.size()], 0) << "missing trailing zero";
    return std::string(block.text(), block.size());
}

class PackFileTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string pack = dir.file("test.pak");
};

TEST_F(PackFileTest, FindsMembersByExactNameFirstEntryWinning) {
    const std::string name23(23, 'n');
    // Two entries named "dup": the earlier one (data "first") must be read.
    std::uint32_t base = kPackHeaderSize + 5 * kPackEntrySize;
    write_bytes(pack, raw_pack(5,
                               {entry("header.bin", base, 4), entry(name23.c_str(), base + 4, 3),
                                entry("dup", base + 7, 5), entry("dup", base + 12, 6), entry("empty", base, 0)},
                               "textabcfirstsecond"));
    EXPECT_EQ(loaded(pack, "header.bin"), "text");
    EXPECT_EQ(loaded(pack, name23.c_str()), "abc");
    EXPECT_EQ(loaded(pack, "dup"), "first");
    EXPECT_EQ(loaded(pack, "Header.bin"), "<fail>");
    EXPECT_EQ(loaded(pack, "HEADER.BIN"), "<fail>");
    EXPECT_EQ(loaded(pack, "header.bi"), "<fail>");
    EXPECT_EQ(loaded(pack, (name23 + "n").c_str()), "<fail>");

    MemoryBlock block;
    ASSERT_EQ(load_into_memory(pack.c_str(), "empty", &block), kOk);
    EXPECT_EQ(block.size(), 0u);
    ASSERT_TRUE(block.valid());
    EXPECT_EQ(block.data()[0], 0);
}

TEST_F(PackFileTest, TextMemberIsFollowedByZeroWhateverComesNext) {
    write_bytes(pack, raw_pack(1, {entry("a.txt", kPackHeaderSize + kPackEntrySize, 3)}, "abcXYZ"));
    MemoryBlock block;
    ASSERT_EQ(load_into_memory(pack.c_str(), "a.txt", &block), kOk);
    EXPECT_STREQ(block.text(), "abc");
}

TEST_F(PackFileTest, CountZeroNeverYieldsAMember) {
    std::vector<unsigned char> bytes = raw_pack(0, {entry("header.bin", 48, 1)}, "x");
    write_bytes(pack, bytes);
    EXPECT_EQ(loaded(pack, "header.bin"), "<fail>");
    EXPECT_FALSE(find_pack_member(bytes.data(), bytes.size(), "header.bin", nullptr));
}

TEST_F(PackFileTest, OpenMemberPositionsAtDataAndKeepsCopies) {
    std::uint32_t base = kPackHeaderSize + 2 * kPackEntrySize;
    write_bytes(pack, raw_pack(2, {entry("a", base, 2), entry("b", base + 2, 3)}, "12345"));
    PackFile f;
    EXPECT_EQ(f.state(), PackFile::State::kEmpty);
    PackEntry e{};
    ASSERT_TRUE(f.open_member(pack.c_str(), "b", &e));
    EXPECT_EQ(f.state(), PackFile::State::kOpen);
    EXPECT_STREQ(e.name, "b");
    EXPECT_EQ(e.offset, base + 2);
    EXPECT_EQ(e.size, 3u);
    EXPECT_STREQ(f.path(), pack.c_str());
    EXPECT_STREQ(f.member(), "b");
    char buf[3];
    std::uint32_t got = 0;
    ASSERT_TRUE(f.read(buf, 3, &got));
    EXPECT_EQ(std::string(buf, got), "345");
    f.close();
    EXPECT_EQ(f.state(), PackFile::State::kEmpty);
    EXPECT_EQ(f.path(), nullptr);
    EXPECT_EQ(f.member(), nullptr);

    EXPECT_FALSE(f.open_member(pack.c_str(), "c"));
    EXPECT_EQ(f.state(), PackFile::State::kFailed);
    EXPECT_EQ(f.path(), nullptr);
    EXPECT_EQ(f.member(), nullptr);
}

TEST_F(PackFileTest, RefusesWhatIsNotAPack) {
    write_bytes(pack, bytes_of("MRQ" + std::string(40, '\0')));
    EXPECT_EQ(loaded(pack, "a"), "<fail>");
    write_bytes(pack, bytes_of("MRP"));  // header cut short
    EXPECT_EQ(loaded(pack, "a"), "<fail>");
    write_bytes(pack, {});
    EXPECT_EQ(loaded(pack, "a"), "<fail>");
    EXPECT_EQ(loaded(dir.file("missing.pak"), "a"), "<fail>");
    EXPECT_EQ(loaded(dir.path().string(), "a"), "<fail>");  // a directory
    EXPECT_EQ(loaded(dir.path().string(), nullptr), "<fail>");
    std::vector<PackEntry> entries;
    EXPECT_EQ(read_pack_directory(pack.c_str(), &entries), kFail);
}

TEST_F(PackFileTest, ForgedCountStopsWhereTheFileEnds) {
    std::uint32_t base = kPackHeaderSize + 2 * kPackEntrySize;
    std::vector<unsigned char> bytes = raw_pack(0xFFFFFFFFu, {entry("a", base, 1), entry("b", base + 1, 1)}, "AB");
    write_bytes(pack, bytes);
    EXPECT_EQ(loaded(pack, "b"), "B");
    EXPECT_EQ(loaded(pack, "zzz"), "<fail>");  // returns instead of reading 4 billion entries
    std::vector<PackEntry> entries;
    ASSERT_EQ(read_pack_directory(pack.c_str(), &entries), kOk);
    // The data bytes "AB" make no whole entry, so the listing has the two real ones.
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_FALSE(find_pack_member(bytes.data(), bytes.size(), "zzz", nullptr));
}

TEST_F(PackFileTest, MembersReachingPastTheEndComeBackShortAndHonest) {
    std::uint32_t base = kPackHeaderSize + 3 * kPackEntrySize;
    std::vector<unsigned char> bytes =
        raw_pack(3, {entry("long", base, 0xFFFFFFF0u), entry("far", 0xFFFFFF00u, 100), entry("edge", base + 4, 1)},
                 "data");
    write_bytes(pack, bytes);
    MemoryBlock block;
    ASSERT_EQ(load_into_memory(pack.c_str(), "long", &block), kOk);
    EXPECT_EQ(block.size(), 4u);  // not a 4 GiB allocation
    EXPECT_STREQ(block.text(), "data");
    ASSERT_EQ(load_into_memory(pack.c_str(), "far", &block), kOk);
    EXPECT_EQ(block.size(), 0u);
    EXPECT_EQ(block.data()[0], 0);
    ASSERT_EQ(load_into_memory(pack.c_str(), "edge", &block), kOk);
    EXPECT_EQ(block.size(), 0u);

    // The in-memory reader gives the same answers.
    MemoryBlock mem;
    ASSERT_EQ(load_member_from_memory(bytes.data(), bytes.size(), "long", &mem), kOk);
    EXPECT_EQ(std::string(mem.text(), mem.size()), "data");
    ASSERT_EQ(load_member_from_memory(bytes.data(), bytes.size(), "far", &mem), kOk);
    EXPECT_EQ(mem.size(), 0u);
}

TEST_F(PackFileTest, CreateNewReplacesAndOpenExistingReadsAndWrites) {
    write_bytes(pack, bytes_of("old contents that are longer"));
    PackFile f;
    ASSERT_TRUE(f.create_new(pack.c_str()));
    ASSERT_TRUE(f.write("new", 3));
    f.close();
    EXPECT_EQ(read_bytes(pack), bytes_of("new"));

    // The ledger's pattern: read, step back, overwrite, read on, append at the end.
    write_bytes(pack, bytes_of("AAAABBBB"));
    ASSERT_TRUE(f.open_existing(pack.c_str(), true));
    EXPECT_EQ(f.file_size(), 8u);
    char buf[4];
    std::uint32_t got = 0;
    ASSERT_TRUE(f.read(buf, 4, &got));
    EXPECT_EQ(f.seek(-4, SeekMethod::kCurrent), 0u);
    ASSERT_TRUE(f.write("xxxx", 4));
    ASSERT_TRUE(f.read(buf, 4, &got));
    EXPECT_EQ(std::string(buf, got), "BBBB");
    ASSERT_TRUE(f.read(buf, 4, &got));
    EXPECT_EQ(got, 0u);  // the end of the file is no error
    ASSERT_TRUE(f.write("CC", 2));
    f.close();
    EXPECT_EQ(read_bytes(pack), bytes_of("xxxxBBBBCC"));

    ASSERT_TRUE(f.open_existing(pack.c_str(), false));
    EXPECT_FALSE(f.write("z", 1));  // read-only
    EXPECT_EQ(f.seek(-1, SeekMethod::kBegin), kInvalidFilePosition);
    EXPECT_EQ(f.seek(-2, SeekMethod::kEnd), 8u);
    MemoryBlock tail = f.read_block(100);
    EXPECT_EQ(std::string(tail.text(), tail.size()), "CC");
    f.close();
    EXPECT_FALSE(f.open_existing(dir.file("nothing").c_str(), false));
    EXPECT_EQ(f.state(), PackFile::State::kFailed);
}

TEST_F(PackFileTest, LoadsLooseFilesWholeAndMapsBackslashes) {
    std::filesystem::create_directory(dir.path() / "object");
    test::write_text(dir.file("object/note.txt"), "hello");
    std::string programPath = (dir.path().string() + "\\object\\note.txt");
    EXPECT_EQ(loaded(programPath, nullptr), "hello");
    test::CurrentDirGuard cd(dir.path());
    EXPECT_EQ(loaded("object\\note.txt", nullptr), "hello");
}

TEST_F(PackFileTest, ListsFishPacksByTheNumberInTheirName) {
    test::CurrentDirGuard cd(dir.path());
    EXPECT_TRUE(list_fish_packs().empty());  // no object directory at all
    std::filesystem::create_directory("object");
    for (const char* name : {"fish10.pak", "fish2.pak", "fish1.pak", "fish02.pak", "fishX.pak", "fish0.pak",
                             "fish3.pak.bak", "Fish4.pak", "fish5.PAK", "fish9999999999.pak"})
        test::write_text(std::string("object/") + name, "x");
    std::filesystem::create_directory("object/fish7.pak");  // a directory is no pack
    std::vector<FishPackName> packs = list_fish_packs();
    ASSERT_EQ(packs.size(), 3u);
    EXPECT_EQ(packs[0].number, 1);
    EXPECT_EQ(packs[1].number, 2);
    EXPECT_EQ(packs[2].number, 10);
    EXPECT_EQ(packs[2].fileName, "fish10.pak");
    std::vector<std::string> all = list_files("object\\fish*.pak");
    EXPECT_EQ(all.size(), 7u);  // every match, numbered or not
    EXPECT_EQ(list_files("object\\fish?.pak").size(), 4u);
    EXPECT_EQ(fish_pack_number("fish123.pak"), 123);
    EXPECT_EQ(fish_pack_number("fish.pak"), -1);
    EXPECT_EQ(fish_pack_number("fish1.pakx"), -1);
}

}  // namespace
}  // namespace brine
