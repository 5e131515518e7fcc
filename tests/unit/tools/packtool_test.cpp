#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "data/pack_file.h"
#include "data/pack_writer.h"
#include "fish/xfile_reader.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/xfile_writer.h"

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

// "packtool check" on kinds made from the shipped wakin (one animation set, "swim") and ryukin
// (four sets): the members of the sound pack, with the mesh or the motion script changed.
class PacktoolCheck : public ::testing::Test {
protected:
    void SetUp() override {
        sound = (fs::path(BRINE_PROGRAM_DIR) / "object" / "fish1.pak").string();
        if (!fs::exists(sound)) GTEST_SKIP() << "the goldfish content has not been built yet";
    }
    std::string member(const std::string& name) const {
        MemoryBlock block;
        EXPECT_EQ(load_into_memory(sound.c_str(), name.c_str(), &block), kOk) << name;
        return std::string(reinterpret_cast<const char*>(block.data()), block.size());
    }
    // The kind `model` of the sound pack alone in a pack, with its mesh and script as given.
    ToolRun check(const std::string& model, const std::string& mesh, const std::string& script) {
        std::vector<PackMember> members;
        auto add = [&](const std::string& name, const std::string& bytes) {
            members.push_back({name, std::vector<unsigned char>(bytes.begin(), bytes.end())});
        };
        add("header.bin", "1\r\n" + model + ",Kind,Name,0\r\n");
        add(model + ".x", mesh);
        add(model + ".mrc", script);
        // Every texture of the kind, as the sound pack has them.
        std::vector<PackEntry> entries;
        EXPECT_EQ(read_pack_directory(sound.c_str(), &entries), kOk);
        for (const PackEntry& entry : entries) {
            const std::string name(entry.name, strnlen(entry.name, sizeof entry.name));
            if (name.rfind(model + "_", 0) == 0) add(name, member(name));
        }
        std::string reason;
        EXPECT_EQ(write_pack_file(pack, members, &reason), kOk) << reason;
        return packtool(dir, "check " + q(pack));
    }
    // The script with record `state`'s line replaced.
    std::string with_record(const std::string& model, int state, const std::string& record) {
        std::string script = member(model + ".mrc");
        const std::size_t at = script.find("TrackRecord(" + std::to_string(state) + ",");
        EXPECT_NE(at, std::string::npos);
        return script.replace(at, script.find(')', at) + 1 - at, record);
    }

    test::ScratchDir dir;
    std::string sound, pack = dir.file("kind.pak");
};

TEST_F(PacktoolCheck, AOneSetMeshPlaysEveryRecordInItsSet) {
    std::string script = with_record("wakin", 1, "TrackRecord(1, 1, 67, 127)");
    const std::string mesh = member("wakin.x");
    script = script.replace(script.find("TrackRecord(2, 0"), 16, "TrackRecord(2, 2");
    script = script.replace(script.find("TrackRecord(3, 0"), 16, "TrackRecord(3, 3");
    ToolRun r = check("wakin", mesh, script);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("PROBLEM"), std::string::npos) << r.out;

    // The frames are read in set 0 (7.7 s): past its end is still a fault, whatever set is named.
    r = check("wakin", mesh, with_record("wakin", 2, "TrackRecord(2, 2, 134, 400)"));
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("past the end of animation set 0"), std::string::npos) << r.out;

    // With several sets a set past the end stays a fault.
    r = check("ryukin", member("ryukin.x"), with_record("ryukin", 3, "TrackRecord(3, 4, 0, 60)"));
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("TrackRecord(3) Eating: animation set 4 does not exist (the mesh has 4)"), std::string::npos)
        << r.out;
}

TEST_F(PacktoolCheck, AZeroLengthSetIsAFaultOnlyWhenARecordPlaysIt) {
    // An exporter's one-key bind pose as a second set of wakin.
    const std::string original = member("wakin.x");
    XFileScene scene;
    ASSERT_EQ(read_xfile(original.data(), original.size(), &scene), kOk);
    ASSERT_EQ(scene.animationSets.size(), 1u);
    XAnimationSet bind;
    bind.name = "bind";
    XAnimation pose;
    pose.frameName = scene.frames[0].name;
    pose.matrixKeys.push_back({0, scene.frames[0].transform});
    bind.animations.push_back(pose);
    scene.animationSets.push_back(bind);
    const std::string mesh = test::write_xfile(scene);

    ToolRun r = check("wakin", mesh, member("wakin.mrc"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("wakin.x: animation set 1 has no length (no keys); no motion record plays it"),
              std::string::npos) << r.out;

    r = check("wakin", mesh, with_record("wakin", 0, "TrackRecord(0, 1, 0, 0)"));
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("PROBLEM wakin.x: animation set 1 has no length (no keys) but TrackRecord(0) Idle plays it"),
              std::string::npos) << r.out;
}

}  // namespace
}  // namespace brine

#endif  // BRINE_PACKTOOL
