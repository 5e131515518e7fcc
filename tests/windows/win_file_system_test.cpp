// The Win32 file seam on a scratch folder under wine: the answers the seam's contract asks of
// every host (missing against refused, create-new, one-step replace, move only to a new name,
// listings), and names outside the ANSI code page, which reach Windows as UTF-16.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/windows/win_file_system.h"
#include "tests/support/scratch_dir.h"

namespace brine {
namespace {

namespace fs = std::filesystem;

// Scratch paths as the seam takes them: UTF-8.
std::string at(const test::ScratchDir& dir, const char* utf8Name) { return (dir.path() / fs::u8path(utf8Name)).u8string(); }

void put(const std::string& utf8Path, const std::string& text) { std::ofstream(fs::u8path(utf8Path), std::ios::binary) << text; }

std::string read_all(FileSystem& files, const std::string& path) {
    auto in = files.open(path.c_str(), OpenMode::kRead, nullptr);
    if (!in) return "<none>";
    std::string text(64, '\0');
    std::size_t got = 0;
    EXPECT_TRUE(in->read(&text[0], text.size(), &got));
    text.resize(got);
    return text;
}

TEST(WinFileSystem, OpensOnlyDataFilesAndTellsMissingFromRefused) {
    test::ScratchDir dir;
    WinFileSystem files;
    FileError why = FileError::kNone;
    EXPECT_EQ(files.open(at(dir, "nothing").c_str(), OpenMode::kRead, &why), nullptr);
    EXPECT_EQ(why, FileError::kMissing);
    EXPECT_EQ(files.open(at(dir, "no\\folder\\x").c_str(), OpenMode::kRead, &why), nullptr);
    EXPECT_EQ(why, FileError::kMissing);
    EXPECT_EQ(files.open(dir.path().u8string().c_str(), OpenMode::kRead, &why), nullptr);
    EXPECT_EQ(why, FileError::kRefused) << "a folder is no file";
    EXPECT_EQ(files.open("NUL", OpenMode::kRead, &why), nullptr) << "nor is a device";

    put(at(dir, "plain"), "x");
    EXPECT_EQ(files.open(at(dir, "plain").c_str(), OpenMode::kCreateNew, &why), nullptr);
    EXPECT_EQ(why, FileError::kRefused);
    auto out = files.open((dir.path().u8string() + "/new").c_str(), OpenMode::kCreateNew, &why);  // '/' works too
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(out->write("hello", 5));
    std::uint64_t where = 0;
    EXPECT_FALSE(out->seek(-6, SeekMethod::kCurrent, &where));
    EXPECT_TRUE(out->seek(-2, SeekMethod::kEnd, &where));
    EXPECT_EQ(where, 3u);
    EXPECT_TRUE(out->finish());
    EXPECT_FALSE(out->finish());
    EXPECT_EQ(read_all(files, at(dir, "new")), "hello");
    auto in = files.open(at(dir, "new").c_str(), OpenMode::kRead, nullptr);
    ASSERT_NE(in, nullptr);
    std::uint64_t size = 0;
    EXPECT_TRUE(in->size(&size));
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(in->write("x", 1)) << "read-only";
}

TEST(WinFileSystem, ReplacesAnExistingFileAndMovesOnlyToANewName) {
    test::ScratchDir dir;
    WinFileSystem files;
    put(at(dir, "a"), "new");
    put(at(dir, "b"), "old");
    {
        // Unlike POSIX, Windows will not rename over a file someone holds open: the replace
        // fails and leaves both files as they were.
        auto reader = files.open(at(dir, "b").c_str(), OpenMode::kRead, nullptr);
        ASSERT_NE(reader, nullptr);
        EXPECT_FALSE(files.replace(at(dir, "a").c_str(), at(dir, "b").c_str()));
        EXPECT_EQ(read_all(files, at(dir, "a")), "new");
        EXPECT_EQ(read_all(files, at(dir, "b")), "old");
    }
    EXPECT_TRUE(files.replace(at(dir, "a").c_str(), at(dir, "b").c_str()));
    EXPECT_EQ(read_all(files, at(dir, "b")), "new");
    EXPECT_FALSE(fs::exists(fs::u8path(at(dir, "a"))));

    put(at(dir, "c"), "third");
    EXPECT_FALSE(files.move_to_new(at(dir, "c").c_str(), at(dir, "b").c_str()));
    EXPECT_EQ(read_all(files, at(dir, "b")), "new");
    EXPECT_TRUE(files.move_to_new(at(dir, "c").c_str(), at(dir, "d").c_str()));
    EXPECT_EQ(read_all(files, at(dir, "d")), "third");

    EXPECT_TRUE(files.remove(at(dir, "d").c_str()));
    EXPECT_TRUE(files.remove(at(dir, "d").c_str())) << "nothing left is what was asked";
    EXPECT_FALSE(files.remove(dir.path().u8string().c_str())) << "never a folder";
}

TEST(WinFileSystem, ListsMakesFoldersAndKeepsNamesOfAnyScript) {
    test::ScratchDir dir;
    WinFileSystem files;
    std::vector<FolderEntry> entries;
    EXPECT_EQ(files.list_folder(at(dir, "none").c_str(), &entries), FileError::kMissing);
    const std::string folder = at(dir, "\xE5\xA3\x81\xE7\xB4\x99");  // 壁紙: no form in code page 1252
    EXPECT_TRUE(files.make_folder(folder.c_str()));
    EXPECT_TRUE(files.make_folder(folder.c_str())) << "already there";
    EXPECT_FALSE(files.make_folder(at(dir, "no\\parent").c_str()));
    const std::string file = folder + "\\\xE8\xA1\xA8\xF0\x9F\x90\x9F.pak";  // 表🐟.pak
    auto out = files.open(file.c_str(), OpenMode::kCreateNew, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(out->write("MRP", 3));
    EXPECT_TRUE(out->finish());
    EXPECT_FALSE(files.make_folder(file.c_str())) << "a file in the way";
    EXPECT_TRUE(files.make_folder((folder + "\\sub").c_str()));
    ASSERT_EQ(files.list_folder(folder.c_str(), &entries), FileError::kNone);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "sub");
    EXPECT_FALSE(entries[0].regularFile);
    EXPECT_EQ(entries[1].name, "\xE8\xA1\xA8\xF0\x9F\x90\x9F.pak");
    EXPECT_TRUE(entries[1].regularFile);
    EXPECT_EQ(read_all(files, file), "MRP");
    EXPECT_TRUE(fs::exists(fs::u8path(folder) / L"\u8868\U0001F41F.pak")) << "the name Windows holds is the UTF-16 one";
    EXPECT_TRUE(make_folders(files, at(dir, "x/y/z")));
    EXPECT_TRUE(fs::is_directory(fs::u8path(at(dir, "x/y/z"))));
}

}  // namespace
}  // namespace brine
