// Installing extension files into a scratch program directory: the pack number, the magic test,
// the copy, the catalog rebuild, one message per chosen file and the current directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "data/layered_file_system.h"
#include "data/pack_writer.h"
#include "shell/extension_install.h"
#include "shell/shell_texts.h"
#include "tests/support/manual_clock.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_ui.h"

namespace brine {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> fish_pack_bytes(const std::string& model) {
    const std::string header = "1\r\n" + model + ",kind-" + model + ",name-" + model + ",0\r\n";
    std::vector<unsigned char> bytes;
    std::string reason;
    EXPECT_EQ(build_pack({{"header.bin", {header.begin(), header.end()}}}, &bytes, &reason), kOk) << reason;
    return bytes;
}

class ExtensionInstallTest : public ::testing::Test {
protected:
    ExtensionInstallTest() : cd(program.path()) {
        fs::create_directory("object");
        downloads = fs::path(elsewhere.path());
    }
    void install_pack(int number, const std::string& model) {
        test::write_bytes("object/fish" + std::to_string(number) + ".pak", fish_pack_bytes(model));
    }
    std::string offer(const std::string& name, const std::vector<unsigned char>& bytes) {
        const std::string path = (downloads / name).string();
        test::write_bytes(path, bytes);
        return path;
    }
    void choose(const std::optional<std::string>& path) {
        ui.fileChoices.push_back(path);
        installer.install_extension(ui, catalog, unlockClock, clock, saveFailure);
    }
    std::vector<std::string> object_files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(program.path() / "object")) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::ScratchDir program, elsewhere;
    test::CurrentDirGuard cd;
    fs::path downloads;
    test::ScriptedUi ui;
    ExtensionInstaller installer;
    FishCatalog catalog;
    std::uint32_t unlockClock = 0;
    test::ManualClock clock;
    SaveFailureNotice saveFailure{ui};
};

TEST_F(ExtensionInstallTest, ValidFileBecomesTheNextPackAndIsListed) {
    install_pack(1, "a");
    install_pack(2, "b");
    const std::vector<unsigned char> bytes = fish_pack_bytes("c");
    choose(offer("new.exd", bytes));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgExtensionAdded);
    EXPECT_EQ(ui.messages[0].caption, kCaptionInformation);
    EXPECT_EQ(ui.messages[0].style, static_cast<std::uint32_t>(kMbIconInformation));
    EXPECT_FALSE(ui.messages[0].owned);
    EXPECT_EQ(test::read_bytes("object/fish3.pak"), bytes);
    ASSERT_EQ(catalog.count, 3);
    EXPECT_EQ(catalog.rows[2].modelName, "c");
    EXPECT_EQ(catalog.rows[2].packNumber, 3);

    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    const auto& call = ui.fileDialogs[0];
    EXPECT_EQ(call.filters, (std::vector<std::string>{"\xB1\xAF\xCC\xDF\xC3\xDE\xB0\xC4\xCC\xA7\xB2\xD9(*.exd)", "*.exd"}));
    EXPECT_EQ(call.title, kExtensionDialogTitle);
    EXPECT_EQ(call.defaultExtension, "exd");
    EXPECT_EQ(call.flags, 0x1004u);
    EXPECT_FALSE(call.ownerIsDialog);
    EXPECT_EQ(call.initialPath, "");
}

TEST_F(ExtensionInstallTest, SameFileTwiceInstallsTwiceAndTheDialogStartsFromIt) {
    install_pack(1, "a");
    const std::string path = offer("twice.exd", fish_pack_bytes("t"));
    choose(path);
    choose(path);
    EXPECT_EQ(object_files(), (std::vector<std::string>{"fish1.dat", "fish1.pak", "fish2.dat", "fish2.pak", "fish3.dat", "fish3.pak"}));
    EXPECT_EQ(ui.fileDialogs[1].initialPath, path);
    EXPECT_EQ(catalog.count, 3);
}

TEST_F(ExtensionInstallTest, GapInTheNumberingNeverReplacesAPack) {
    install_pack(1, "a");
    install_pack(3, "c");  // count 2 + 1 = 3 is taken
    const auto before = test::read_bytes("object/fish3.pak");
    choose(offer("gap.exd", fish_pack_bytes("g")));
    EXPECT_EQ(test::read_bytes("object/fish3.pak"), before);
    EXPECT_EQ(test::read_bytes("object/fish4.pak"), fish_pack_bytes("g"));
    EXPECT_EQ(next_free_pack_number(), 5);
    EXPECT_EQ(count_fish_packs(), 3);
}

TEST_F(ExtensionInstallTest, RefusedFilesCopyNothingAndShowOneWarning) {
    install_pack(1, "a");
    const struct {
        std::vector<unsigned char> bytes;
        const char* message;
    } cases[] = {
        {{'h', 'e', 'l', 'l', 'o', ' ', 't', 'e', 'x', 't'}, kMsgExtensionInvalid},
        {{'M', 'R'}, kMsgExtensionInvalid},
        {{}, kMsgExtensionInvalid},
        {{'m', 'r', 'p', 0, 0, 0, 0, 0}, kMsgExtensionInvalid},
    };
    for (const auto& c : cases) {
        ui.messages.clear();
        choose(offer("bad.exd", c.bytes));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, c.message);
        EXPECT_EQ(ui.messages[0].caption, kCaptionWarning);
        EXPECT_EQ(ui.messages[0].style, static_cast<std::uint32_t>(kMbIconWarning));
    }
    ui.messages.clear();
    choose((downloads / "missing.exd").string());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgExtensionReadFailed);
    EXPECT_EQ(object_files(), (std::vector<std::string>{"fish1.pak"}));
}

TEST_F(ExtensionInstallTest, OnlyTheMagicIsLookedAtAndAFailedRebuildKeepsThePack) {
    // A file with the magic but nothing a catalog can use: copied, then the rebuild finds no kind
    // in it; with no other pack the rebuild still succeeds (a pack exists).
    choose(offer("bare.exd", {'M', 'R', 'P'}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgExtensionAdded);
    EXPECT_TRUE(fs::exists("object/fish1.pak"));

    // A user's folder has no object directory until the first install makes it; where a file
    // stands in its place, the copy fails.
    fs::remove_all("object");
    ui.messages.clear();
    choose(offer("good.exd", fish_pack_bytes("x")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgExtensionAdded);
    EXPECT_TRUE(fs::exists("object/fish1.pak"));
    fs::remove_all("object");
    test::write_text("object", "not a folder");
    ui.messages.clear();
    choose(offer("good.exd", fish_pack_bytes("x")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgExtensionCopyFailed);
    EXPECT_FALSE(fs::is_directory("object"));
}

TEST_F(ExtensionInstallTest, CancelDoesNothingAndTheDirectoryIsKept) {
    const fs::path here = fs::current_path();
    ui.browseInto = elsewhere.path();
    choose(std::nullopt);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(fs::current_path(), here);
    install_pack(1, "a");
    choose(offer("ok.exd", fish_pack_bytes("k")));
    EXPECT_EQ(fs::current_path(), here);
    EXPECT_TRUE(fs::exists(here / "object" / "fish2.pak")) << "copied into the program's directory, not the browsed one";
    EXPECT_FALSE(fs::exists(elsewhere.path() / "object"));
}

TEST_F(ExtensionInstallTest, NoLeftoversBesideTheInstalledPack) {
    install_pack(1, "a");
    choose(offer("x.exd", fish_pack_bytes("x")));
    for (const std::string& name : object_files()) EXPECT_EQ(name.find(".part"), std::string::npos) << name;
}

// An installed program: the shipped packs are read-only, the new pack goes into the user's folder
// under the number after every pack of both, and a ledger that cannot be written warns once a run.
TEST(ExtensionInstallInstalled, GoesIntoTheUsersFolderAfterTheShippedPacksAndWarnsOnceWhenALedgerIsLost) {
    test::MemoryFileSystem host;
    host.add_folder("/home/u/data");
    host.add_file("/usr/share/brinelight/object/fish1.pak", fish_pack_bytes("a"));
    host.add_file("/usr/share/brinelight/object/fish2.pak", fish_pack_bytes("b"));
    host.add_file("/downloads/new.exd", fish_pack_bytes("c"));
    host.readOnlyFolder = "/usr/share/brinelight";
    LayeredFileSystem files(host, "/home/u/data", "/usr/share/brinelight");
    FileSystemScope installed(files);

    test::ScriptedUi ui;
    SaveFailureNotice saveFailure(ui);
    ExtensionInstaller installer;
    FishCatalog catalog;
    std::uint32_t unlockClock = 0;
    test::ManualClock clock;
    ASSERT_TRUE(build_catalog(catalog, unlockClock, clock, ui));
    EXPECT_EQ(next_free_pack_number(), 3);

    ui.fileChoices.push_back(std::string("/downloads/new.exd"));
    installer.install_extension(ui, catalog, unlockClock, clock, saveFailure);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgExtensionAdded);
    EXPECT_EQ(host.bytes_of("/home/u/data/object/fish3.pak"), fish_pack_bytes("c"));
    EXPECT_TRUE(host.has_file("/home/u/data/object/fish3.dat"));
    ASSERT_EQ(catalog.count, 3);
    EXPECT_EQ(catalog.rows[2].packNumber, 3);
    EXPECT_FALSE(saveFailure.shown());

    // The next pack's ledger cannot replace its place: the pack is in, its kinds are listed, the
    // user is told once; a second such install tells nothing more.
    host.readOnlyFolder = "/home/u/data/object/fish4.dat";
    ui.messages.clear();
    ui.fileChoices.push_back(std::string("/downloads/new.exd"));
    installer.install_extension(ui, catalog, unlockClock, clock, saveFailure);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, kMsgExtensionAdded);
    EXPECT_EQ(ui.messages[1].text, kMsgSaveFailed);
    EXPECT_EQ(ui.messages[1].caption, kCaptionWarning);
    EXPECT_EQ(ui.messages[1].style, static_cast<std::uint32_t>(kMbIconWarning));
    EXPECT_EQ(catalog.count, 4);
    ui.messages.clear();
    ui.fileChoices.push_back(std::string("/downloads/new.exd"));
    installer.install_extension(ui, catalog, unlockClock, clock, saveFailure);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgExtensionAdded);
    EXPECT_TRUE(host.has_file("/home/u/data/object/fish5.pak"));
    EXPECT_FALSE(host.has_file("/usr/share/brinelight/object/fish3.pak"));
}

}  // namespace
}  // namespace brine
