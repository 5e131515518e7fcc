// The seam's lookup order over an in-memory host: the writable folder first, the shipped one only
// for a file missing there; writes only ever in the writable folder; listings of both. Then a
// shipped, read-only installation used by the catalog, whose ledgers land in the user's folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/file_path.h"
#include "data/fish_catalog.h"
#include "data/layered_file_system.h"
#include "data/pack_file.h"
#include "data/pack_writer.h"
#include "tests/support/manual_clock.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/scripted_message_boxes.h"

namespace brine {
namespace {

using Bytes = std::vector<unsigned char>;

std::string loaded(const char* path) {
    MemoryBlock block;
    if (failed(load_into_memory(path, nullptr, &block))) return "<fail>";
    return std::string(block.text(), block.size());
}

Bytes fish_pack(const std::string& header) {
    Bytes bytes;
    EXPECT_EQ(build_pack({{"header.bin", {header.begin(), header.end()}}}, &bytes, nullptr), kOk);
    return bytes;
}

class LayeredFiles : public ::testing::Test {
protected:
    LayeredFiles() {
        host.add_folder("/home/u/data");
        host.add_file("/usr/share/brinelight/texture.pak", "shipped texture");
        host.add_file("/usr/share/brinelight/fishsave.bin", "starter roster");
        host.add_file("/usr/share/brinelight/object/fish1.pak", "shipped 1");
        host.add_file("/usr/share/brinelight/object/fish2.pak", "shipped 2");
        host.readOnlyFolder = "/usr/share/brinelight";
    }
    std::vector<std::string> shipped_files() const {
        std::vector<std::string> out;
        for (const std::string& p : host.file_paths())
            if (p.rfind("/usr/share/brinelight/", 0) == 0) out.push_back(p);
        return out;
    }

    test::MemoryFileSystem host;
    LayeredFileSystem files{host, "/home/u/data", "/usr/share/brinelight"};
    FileSystemScope installed{files};
};

TEST_F(LayeredFiles, ReadsTheUsersFileFirstAndTheShippedOneOnlyWhereTheUserHasNone) {
    EXPECT_EQ(loaded("fishsave.bin"), "starter roster");
    EXPECT_EQ(host.opened, (std::vector<std::string>{"/home/u/data/fishsave.bin", "/usr/share/brinelight/fishsave.bin"}));
    host.add_file("/home/u/data/fishsave.bin", "my roster");
    EXPECT_EQ(loaded("fishsave.bin"), "my roster");
    EXPECT_EQ(loaded("object\\fish2.pak"), "shipped 2");  // the program's spelling, folders and all
    EXPECT_EQ(loaded("missing.bin"), "<fail>");

    // The user's file exists but cannot be read: an error, never the shipped file in its place
    // (a later save would then put the starter fish over the user's own).
    host.refusedPaths.insert("/home/u/data/fishsave.bin");
    EXPECT_EQ(loaded("fishsave.bin"), "<fail>");

    // Absolute paths (a file the user chose) are the host's, in no folder of ours.
    host.add_file("/tmp/chosen.exd", "chosen");
    host.opened.clear();
    EXPECT_EQ(loaded("/tmp/chosen.exd"), "chosen");
    EXPECT_EQ(host.opened, (std::vector<std::string>{"/tmp/chosen.exd"}));
}

TEST_F(LayeredFiles, WritesGoToTheUsersFolderAndMakeItsSubfoldersOnFirstUse) {
    const std::vector<std::string> before = shipped_files();
    PackFile ledger;
    ASSERT_TRUE(ledger.create_new("object\\fish1.dat"));
    ASSERT_TRUE(ledger.write("\0\0\0\0", 4));
    EXPECT_TRUE(ledger.finish());
    EXPECT_TRUE(host.has_file("/home/u/data/object/fish1.dat"));

    // A shipped file cannot be opened for writing; creating it makes the user's own copy.
    PackFile pack;
    EXPECT_FALSE(pack.open_existing("texture.pak", true));
    ASSERT_TRUE(pack.create_new("texture.pak"));
    ASSERT_TRUE(pack.write("mine", 4));
    pack.close();
    EXPECT_EQ(loaded("texture.pak"), "mine");
    EXPECT_EQ(shipped_files(), before);
    EXPECT_EQ(host.bytes_of("/usr/share/brinelight/texture.pak"), Bytes({'s', 'h', 'i', 'p', 'p', 'e', 'd', ' ', 't',
                                                                          'e', 'x', 't', 'u', 'r', 'e'}));
}

TEST_F(LayeredFiles, ListingsJoinBothFoldersEachNameOnce) {
    host.add_file("/home/u/data/object/fish3.pak", "installed");
    host.add_file("/home/u/data/object/fish1.pak", "the user's own over the shipped one");
    EXPECT_EQ(list_files("object\\fish*.pak"), (std::vector<std::string>{"fish1.pak", "fish2.pak", "fish3.pak"}));
    std::vector<std::string> names;
    ASSERT_TRUE(list_names("object", &names));
    EXPECT_EQ(names.size(), 3u);

    // Neither folder has it: nothing, and no error. One folder unreadable: nothing can be known free.
    EXPECT_TRUE(list_names("extensions", &names));
    EXPECT_TRUE(names.empty());
    host.refusedPaths.insert("/usr/share/brinelight/object");
    EXPECT_FALSE(list_names("object", &names));
}

TEST_F(LayeredFiles, AReadOnlyInstallationKeepsItsLedgersInTheUsersFolder) {
    host.add_file("/usr/share/brinelight/object/fish1.pak", fish_pack("2\r\na,A,a,0\r\nb,B,b,3\r\n"));
    host.add_file("/usr/share/brinelight/object/fish2.pak", fish_pack("1\r\nc,C,c,0\r\n"));
    const std::vector<std::string> before = shipped_files();
    FishCatalog catalog;
    std::uint32_t unlockClock = 0;
    test::ManualClock clock;
    test::ScriptedMessageBoxes boxes;
    bool ledgerWriteFailed = true;
    ASSERT_TRUE(build_catalog(catalog, unlockClock, clock, boxes, &ledgerWriteFailed));
    EXPECT_FALSE(ledgerWriteFailed);
    ASSERT_EQ(catalog.count, 2);
    EXPECT_EQ(catalog.rows[1].packNumber, 2);
    EXPECT_EQ(host.bytes_of("/home/u/data/object/fish1.dat"), (Bytes{0, 0, 0, 0, 3, 0, 0, 0}));
    EXPECT_TRUE(host.has_file("/home/u/data/object/fish2.dat"));
    EXPECT_EQ(shipped_files(), before);

    // A build that changes nothing writes nothing.
    host.readOnlyFolder = "/";
    ASSERT_TRUE(build_catalog(catalog, unlockClock, clock, boxes, &ledgerWriteFailed));
    EXPECT_FALSE(ledgerWriteFailed);
}

TEST_F(LayeredFiles, ALedgerThatCannotBeWrittenStaysWholeAndTheCatalogIsBuiltAllTheSame) {
    host.add_file("/usr/share/brinelight/object/fish1.pak", fish_pack("2\r\na,A,a,0\r\nb,B,b,3\r\n"));
    host.add_file("/home/u/data/object/fish1.dat", Bytes{0, 0, 0, 0, 3, 0, 0, 0});
    host.readOnlyFolder = "/home/u/data/object/fish1.dat";  // a full disk or a read-only file
    FishCatalog catalog;
    std::uint32_t unlockClock = 0;
    test::ManualClock clock;
    clock.ticks = 3 * kMillisecondsPerHour;
    test::ScriptedMessageBoxes boxes;
    bool ledgerWriteFailed = false;
    ASSERT_TRUE(build_catalog(catalog, unlockClock, clock, boxes, &ledgerWriteFailed));
    EXPECT_TRUE(ledgerWriteFailed);
    EXPECT_EQ(catalog.count, 2);  // unlocked for this run, and announced
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(host.bytes_of("/home/u/data/object/fish1.dat"), (Bytes{0, 0, 0, 0, 3, 0, 0, 0}));
    EXPECT_FALSE(host.has_file("/home/u/data/object/fish1.dat.tmp"));

    // The disk fills up: the temporary is refused at its end, the old ledger stays.
    host.readOnlyFolder.clear();
    host.failFinish = true;
    unlockClock = 0;  // the settings kept the old reference, so the kind unlocks again
    ASSERT_TRUE(build_catalog(catalog, unlockClock, clock, boxes, &ledgerWriteFailed));
    EXPECT_TRUE(ledgerWriteFailed);
    EXPECT_EQ(host.bytes_of("/home/u/data/object/fish1.dat"), (Bytes{0, 0, 0, 0, 3, 0, 0, 0}));
    EXPECT_FALSE(host.has_file("/home/u/data/object/fish1.dat.tmp"));
}

TEST(FileSystemSeam, WithoutAnInstalledFileSystemEverythingIsRefused) {
    FileSystem* previous = &file_system();
    set_file_system(nullptr);
    PackFile file;
    EXPECT_FALSE(file.open_existing("anything", false));
    EXPECT_FALSE(file.create_new("anything"));
    EXPECT_TRUE(list_files("*").empty());
    set_file_system(previous);
}

}  // namespace
}  // namespace brine
