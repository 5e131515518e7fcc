#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/pack_file.h"
#include "tests/support/scratch_dir.h"

// packtool is a tool of the Linux build (it runs through the POSIX shell here).
#ifdef BRINE_PACKTOOL
#include <sys/wait.h>

namespace brine {
namespace {

namespace fs = std::filesystem;
using test::read_bytes;
using test::write_bytes;
using test::write_text;

struct ToolRun {
    int status;
    std::string out, err;
};

// Runs packtool with the arguments (already quoted), capturing both streams in files.
ToolRun packtool(const test::ScratchDir& dir, const std::string& args) {
    std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
    std::string command = std::string("'") + BRINE_PACKTOOL + "' " + args + " >'" + out + "' 2>'" + err + "'";
    int raw = std::system(command.c_str());
    ToolRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, {}};
    auto o = read_bytes(out), e = read_bytes(err);
    r.out.assign(o.begin(), o.end());
    r.err.assign(e.begin(), e.end());
    return r;
}

std::string q(const std::string& path) { return "'" + path + "'"; }

class PacktoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(dir.path() / "in");
        write_text(dir.file("in/header.bin"), "2\r\nfishA,A,a,0\r\n");
        std::vector<unsigned char> binary(3000);
        for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<unsigned char>(i * 7);
        write_bytes(dir.file("in/fishA.x"), binary);
        write_bytes(dir.file("in/empty.mrc"), {});
    }
    test::ScratchDir dir;
    std::string pack = dir.file("fish1.pak");
};

TEST_F(PacktoolTest, CreatedPackReadsBackThroughTheProgramsReader) {
    ToolRun c = packtool(dir, "create " + q(pack) + " " + q(dir.file("in/header.bin")) + " " +
                              q(dir.file("in/fishA.x")) + " " + q(dir.file("in/empty.mrc")));
    ASSERT_EQ(c.status, 0) << c.err;
    for (const char* name : {"header.bin", "fishA.x", "empty.mrc"}) {
        MemoryBlock block;
        ASSERT_EQ(load_into_memory(pack.c_str(), name, &block), kOk) << name;
        std::vector<unsigned char> want = read_bytes(dir.file(std::string("in/") + name));
        EXPECT_EQ(std::vector<unsigned char>(block.data(), block.data() + block.size()), want) << name;
    }

    ToolRun l = packtool(dir, "list " + q(pack));
    ASSERT_EQ(l.status, 0) << l.err;
    EXPECT_EQ(l.out, "header.bin\t112\t16\nfishA.x\t128\t3000\nempty.mrc\t3128\t0\n");

    ToolRun x = packtool(dir, "extract " + q(pack) + " fishA.x");
    ASSERT_EQ(x.status, 0) << x.err;
    EXPECT_EQ(std::vector<unsigned char>(x.out.begin(), x.out.end()), read_bytes(dir.file("in/fishA.x")));
    ToolRun y = packtool(dir, "extract " + q(pack) + " header.bin " + q(dir.file("out.bin")));
    ASSERT_EQ(y.status, 0) << y.err;
    EXPECT_EQ(read_bytes(dir.file("out.bin")), read_bytes(dir.file("in/header.bin")));
}

TEST_F(PacktoolTest, RefusesBadNamesNonPacksAndMissingMembers) {
    std::string longName = dir.file("in/" + std::string(24, 'n'));
    write_text(longName, "x");
    ToolRun tooLong = packtool(dir, "create " + q(pack) + " " + q(longName));
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.err.find("longer than 23 bytes"), std::string::npos) << tooLong.err;
    EXPECT_FALSE(fs::exists(pack));

    fs::create_directory(dir.path() / "other");
    write_text(dir.file("other/header.bin"), "again");
    ToolRun dup = packtool(dir, "create " + q(pack) + " " + q(dir.file("in/header.bin")) + " " +
                                q(dir.file("other/header.bin")));
    EXPECT_EQ(dup.status, 1);
    EXPECT_NE(dup.err.find("appears twice"), std::string::npos) << dup.err;

    ToolRun missingInput = packtool(dir, "create " + q(pack) + " " + q(dir.file("in/nothing")));
    EXPECT_EQ(missingInput.status, 1);

    write_text(dir.file("text.pak"), "just some text");
    ToolRun notPack = packtool(dir, "list " + q(dir.file("text.pak")));
    EXPECT_EQ(notPack.status, 1);
    EXPECT_NE(notPack.err.find("not a pack"), std::string::npos) << notPack.err;
    ToolRun notPack2 = packtool(dir, "extract " + q(dir.file("text.pak")) + " header.bin");
    EXPECT_EQ(notPack2.status, 1);
    EXPECT_NE(notPack2.err.find("not a pack"), std::string::npos) << notPack2.err;

    ASSERT_EQ(packtool(dir, "create " + q(pack) + " " + q(dir.file("in/header.bin"))).status, 0);
    ToolRun missing = packtool(dir, "extract " + q(pack) + " HEADER.BIN");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("no member \"HEADER.BIN\""), std::string::npos) << missing.err;
    EXPECT_EQ(packtool(dir, "frobnicate").status, 2);
}

TEST_F(PacktoolTest, ReportsMembersCutShortByTheFileEnd) {
    ASSERT_EQ(packtool(dir, "create " + q(pack) + " " + q(dir.file("in/fishA.x"))).status, 0);
    std::vector<unsigned char> bytes = read_bytes(pack);
    bytes.resize(bytes.size() - 1000);
    write_bytes(pack, bytes);
    ToolRun l = packtool(dir, "list " + q(pack));
    EXPECT_EQ(l.status, 1);
    EXPECT_NE(l.err.find("past the end"), std::string::npos) << l.err;
    ToolRun x = packtool(dir, "extract " + q(pack) + " fishA.x");
    EXPECT_EQ(x.status, 1);
    EXPECT_EQ(x.out.size(), 2000u);
    EXPECT_NE(x.err.find("2000 of 3000"), std::string::npos) << x.err;
}

}  // namespace
}  // namespace brine

#endif  // BRINE_PACKTOOL
