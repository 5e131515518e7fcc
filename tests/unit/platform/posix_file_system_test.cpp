// The POSIX file seam on a scratch folder (what each operation answers, and that it never blocks
// or reaches what is no data file), and the choice of the data folders from the executable's place.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/data_folders.h"
#include "platform/posix/posix_file_system.h"
#include "tests/support/scratch_dir.h"

namespace brine {
namespace {

namespace fs = std::filesystem;

std::string read_all(FileSystem& files, const std::string& path) {
    auto in = files.open(path.c_str(), OpenMode::kRead, nullptr);
    if (!in) return "<none>";
    std::string text(64, '\0');
    std::size_t got = 0;
    EXPECT_TRUE(in->read(text.data(), text.size(), &got));
    text.resize(got);
    return text;
}

TEST(PosixFileSystem, OpensOnlyDataFilesAndTellsMissingFromRefused) {
    test::ScratchDir dir;
    PosixFileSystem files;
    FileError why = FileError::kNone;
    EXPECT_EQ(files.open(dir.file("nothing").c_str(), OpenMode::kRead, &why), nullptr);
    EXPECT_EQ(why, FileError::kMissing);
    test::write_text(dir.file("plain"), "x");
    EXPECT_EQ(files.open(dir.file("plain/below").c_str(), OpenMode::kRead, &why), nullptr);
    EXPECT_EQ(why, FileError::kMissing) << "a file where a folder should be is a missing path";
    EXPECT_EQ(files.open(dir.path().c_str(), OpenMode::kRead, &why), nullptr);
    EXPECT_EQ(why, FileError::kRefused) << "a folder is no file";
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(files.open(dir.file("pipe").c_str(), OpenMode::kRead, &why), nullptr) << "and a pipe must not block";
    EXPECT_EQ(why, FileError::kRefused);

    // Create-new refuses a file that exists; what it wrote is there after finish.
    EXPECT_EQ(files.open(dir.file("plain").c_str(), OpenMode::kCreateNew, &why), nullptr);
    EXPECT_EQ(why, FileError::kRefused);
    auto out = files.open((dir.path().string() + "\\new").c_str(), OpenMode::kCreateNew, &why);  // '\' maps to '/'
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(out->write("hello", 5));
    std::uint64_t at = 0;
    EXPECT_FALSE(out->seek(-6, SeekMethod::kCurrent, &at));
    EXPECT_TRUE(out->seek(-2, SeekMethod::kEnd, &at));
    EXPECT_EQ(at, 3u);
    EXPECT_TRUE(out->finish());
    EXPECT_FALSE(out->finish());
    EXPECT_EQ(read_all(files, dir.file("new")), "hello");
    auto in = files.open(dir.file("new").c_str(), OpenMode::kRead, nullptr);
    EXPECT_FALSE(in->write("x", 1)) << "read-only";
}

TEST(PosixFileSystem, ReplacesInOneStepAndMovesOnlyToANewName) {
    test::ScratchDir dir;
    PosixFileSystem files;
    test::write_text(dir.file("a"), "new");
    test::write_text(dir.file("b"), "old");
    EXPECT_TRUE(files.replace(dir.file("a").c_str(), dir.file("b").c_str()));
    EXPECT_EQ(read_all(files, dir.file("b")), "new");
    EXPECT_FALSE(fs::exists(dir.file("a")));

    test::write_text(dir.file("c"), "third");
    EXPECT_FALSE(files.move_to_new(dir.file("c").c_str(), dir.file("b").c_str()));
    EXPECT_EQ(read_all(files, dir.file("b")), "new");
    EXPECT_EQ(read_all(files, dir.file("c")), "third");
    EXPECT_TRUE(files.move_to_new(dir.file("c").c_str(), dir.file("d").c_str()));
    EXPECT_EQ(read_all(files, dir.file("d")), "third");
    EXPECT_FALSE(fs::exists(dir.file("c")));

    EXPECT_TRUE(files.remove(dir.file("d").c_str()));
    EXPECT_TRUE(files.remove(dir.file("d").c_str())) << "nothing left is what was asked";
    EXPECT_FALSE(files.remove(dir.path().c_str())) << "never a folder";
}

TEST(PosixFileSystem, ListsAndMakesFolders) {
    test::ScratchDir dir;
    PosixFileSystem files;
    std::vector<FolderEntry> entries;
    EXPECT_EQ(files.list_folder(dir.file("none").c_str(), &entries), FileError::kMissing);
    EXPECT_TRUE(files.make_folder(dir.file("sub").c_str()));
    EXPECT_TRUE(files.make_folder(dir.file("sub").c_str())) << "already there";
    test::write_text(dir.file("sub/f.pak"), "x");
    EXPECT_FALSE(files.make_folder(dir.file("sub/f.pak").c_str())) << "a file in the way";
    EXPECT_FALSE(files.make_folder(dir.file("no/parent").c_str()));
    fs::create_symlink(dir.file("sub/f.pak"), dir.file("sub/link.pak"));
    ASSERT_EQ(files.list_folder(dir.file("sub").c_str(), &entries), FileError::kNone);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "f.pak");
    EXPECT_TRUE(entries[0].regularFile);
    EXPECT_TRUE(entries[1].regularFile) << "a link to a file counts as the file";
    EXPECT_TRUE(make_folders(files, dir.file("x/y/z")));
    EXPECT_TRUE(fs::is_directory(dir.file("x/y/z")));
}

TEST(DataFolders, ABuildTreeKeepsEverythingBesideTheProgramAndAnInstallationSplits) {
    test::ScratchDir dir;
    PosixFileSystem files;
    const std::string bin = dir.file("prefix/bin");
    fs::create_directories(bin);
    DataFolders folders = choose_data_folders(bin, "../share/brinelight", "/xdg", "/home/u", files);
    EXPECT_FALSE(folders.installed);
    EXPECT_EQ(folders.writable, bin);
    EXPECT_EQ(folders.shipped, "");

    fs::create_directories(dir.file("prefix/share/brinelight"));
    folders = choose_data_folders(bin, "../share/brinelight", "/xdg", "/home/u", files);
    EXPECT_TRUE(folders.installed);
    EXPECT_EQ(folders.shipped, dir.file("prefix/share/brinelight"));
    EXPECT_EQ(folders.writable, "/xdg/Orvane/Brinelight Vespera");
    // A relative $XDG_DATA_HOME is to be ignored; without any home nothing writable is guessed.
    EXPECT_EQ(choose_data_folders(bin, "../share/brinelight", "rel", "/home/u", files).writable,
              "/home/u/.local/share/Orvane/Brinelight Vespera");
    EXPECT_EQ(choose_data_folders(bin, "../share/brinelight", nullptr, nullptr, files).writable.rfind("/nonexistent/", 0),
              0u);
}

}  // namespace
}  // namespace brine
