// Motion playback: keys sampled between their times (lerp of scale and position, slerp of
// rotation in the file's conjugate convention), matrix keys, components without keys, looping
// over the set's length, choosing sets, the motion operations with and without a controller,
// a scene object advancing its mesh, and the keys of real files at their bind time.
#include <gtest/gtest.h>

#include <cmath>

#include "fish/fish_mesh_hooks.h"
#include "render/scene_object.h"
#include "tests/unit/fish/mesh_test_util.h"

namespace brine {
namespace {

constexpr float kPi = 3.14159265f;

// The file's rotation key for a turn of `angle` about y: D3DX's quaternion is
// (0, sin(a/2), 0, cos(a/2)); the file stores its conjugate.
XRotationKey turn_y(std::uint32_t time, float angle) {
    return {time, std::cos(angle / 2), 0, -std::sin(angle / 2), 0};
}

XMatrixKey matrix_key(std::uint32_t time, const Matrix& m) {
    XMatrixKey k;
    k.time = time;
    k.value = mtest::xmatrix_of(m);
    return k;
}

const Matrix kFileA = matrix_translation(1, 2, 3);
const Matrix kFileB = matrix_multiply(matrix_rotation_x(0.3f), matrix_translation(0, 0, 5));
const Matrix kFileC = matrix_scaling(2, 2, 2);

// Root > A > B, Root > C; 100 ticks a second. Set "Swim" moves A over one second (turn of 90
// degrees about y, scale 1 to 3, position 0 to 10 along x); set "Tail" turns B only.
XFileScene swimmer() {
    XFileScene s = mtest::scene_of(
        {{"Root", -1, matrix_identity()}, {"A", 0, kFileA}, {"B", 1, kFileB}, {"C", 0, kFileC}});
    XMesh m;
    m.positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    mtest::add_triangle(m, 0, 1, 2);
    s.frames[2].meshes.push_back(m);
    s.ticksPerSecond = 100;
    XAnimation a;
    a.frameName = "A";
    a.rotationKeys = {turn_y(0, 0), turn_y(100, kPi / 2)};
    a.scaleKeys = {{0, {1, 1, 1}}, {100, {3, 3, 3}}};
    a.positionKeys = {{0, {0, 0, 0}}, {100, {10, 0, 0}}};
    XAnimationSet swim;
    swim.name = "Swim";
    swim.animations = {a};
    XAnimation b;
    b.frameName = "B";
    b.rotationKeys = {turn_y(0, kPi / 2), turn_y(50, kPi / 2)};
    XAnimationSet tail;
    tail.name = "Tail";
    tail.animations = {b};
    s.animationSets = {swim, tail};
    return s;
}

class Motion : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(bench.load(mesh, swimmer()), kOk); }
    Matrix local(const char* frame) { return mtest::frame_named(mesh, frame)->local; }

    mtest::MeshBench bench;
    MeshResource mesh;
};

TEST_F(Motion, BetweenKeysScaleAndPositionLerpAndRotationSlerps) {
    set_motion_time(mesh, 0.25);  // 25 ticks: a quarter of the way
    const Matrix expected = matrix_multiply(matrix_multiply(matrix_scaling(1.5f, 1.5f, 1.5f), matrix_rotation_y(kPi / 8)),
                                            matrix_translation(2.5f, 0, 0));
    mtest::expect_matrix_near(local("A"), expected, 1e-5f);
    mtest::expect_matrix_near(local("B"), kFileB, 0);  // not animated by this set
    mtest::expect_matrix_near(local("C"), kFileC, 0);
    EXPECT_DOUBLE_EQ(get_motion_time(mesh), 0.25);
}

TEST_F(Motion, SlerpTakesTheShorterArcWhateverTheSignOfTheKey) {
    XFileScene s = swimmer();
    XRotationKey& end = s.animationSets[0].animations[0].rotationKeys[1];
    end = {end.time, -end.w, -end.x, -end.y, -end.z};  // the same turn, written negated
    MeshResource other;
    ASSERT_EQ(bench.load(other, s), kOk);
    set_motion_time(other, 0.25);
    set_motion_time(mesh, 0.25);
    mtest::expect_matrix_near(mtest::frame_named(other, "A")->local, local("A"), 1e-5f);
}

TEST_F(Motion, ASetLoopsOverItsLastKeyTime) {
    set_motion_time(mesh, 0.25);
    const Matrix quarter = local("A");
    set_motion_time(mesh, 1.25);
    mtest::expect_matrix_near(local("A"), quarter, 1e-5f);
    EXPECT_DOUBLE_EQ(get_motion_time(mesh), 1.25);  // the time itself is not wrapped
    set_motion_time(mesh, -0.75);
    mtest::expect_matrix_near(local("A"), quarter, 1e-5f);
    set_motion_time(mesh, 1.0);  // the end of the period is the start again
    mtest::expect_matrix_near(local("A"), matrix_identity(), 1e-6f);
    set_motion_time(mesh, std::nan(""));
    EXPECT_EQ(get_motion_time(mesh), 0.0);
}

TEST_F(Motion, SelectingASetPutsTheOldSetsFramesBack) {
    set_motion_time(mesh, 0.5);
    select_motion(mesh, 1);
    mtest::expect_matrix_near(local("A"), kFileA, 0);
    set_motion_time(mesh, 0.1);
    // Only a rotation key: B keeps the translation of its own matrix.
    mtest::expect_matrix_near(local("B"), matrix_multiply(matrix_rotation_y(kPi / 2), matrix_translation(0, 0, 5)),
                              1e-5f);
    select_motion(mesh, 7);  // no such set: nothing changes
    EXPECT_EQ(mesh.animController->track_animation_set(), mesh.animationSets[1]);
    select_motion(mesh, 0);
    mtest::expect_matrix_near(local("B"), kFileB, 0);
}

TEST_F(Motion, AdvanceMovesTimeOnAndRecomputesUnderTheParent) {
    set_motion_time(mesh, 0.125);
    const Matrix world = matrix_multiply(matrix_rotation_z(0.7f), matrix_translation(-4, 5, 6));
    advance_motion(mesh, 0.125, world);
    EXPECT_DOUBLE_EQ(get_motion_time(mesh), 0.25);
    const Matrix a = matrix_multiply(matrix_multiply(matrix_scaling(1.5f, 1.5f, 1.5f), matrix_rotation_y(kPi / 8)),
                                     matrix_translation(2.5f, 0, 0));
    mtest::expect_matrix_near(mtest::frame_named(mesh, "A")->combined, matrix_multiply(a, world), 1e-5f);
    mtest::expect_matrix_near(mtest::frame_named(mesh, "B")->combined,
                              matrix_multiply(kFileB, matrix_multiply(a, world)), 1e-4f);
    mtest::expect_matrix_near(mtest::frame_named(mesh, "C")->combined, matrix_multiply(kFileC, world), 1e-5f);
}

TEST_F(Motion, ASceneObjectAdvancesItsMeshUnderItsWorldMatrix) {
    FishMeshHooks hooks;
    SceneObject body;
    body.set_position(3, 4, 5);
    set_motion_time(mesh, 0.5);
    body.attach_mesh(&mesh, &hooks);  // attaching starts the motion again
    EXPECT_EQ(get_motion_time(mesh), 0.0);
    EXPECT_EQ(body.advance_object(0.25f, nullptr, &hooks), kOk);
    EXPECT_DOUBLE_EQ(get_motion_time(mesh), 0.25);
    mtest::expect_matrix_near(mtest::frame_named(mesh, "C")->combined,
                              matrix_multiply(kFileC, matrix_translation(3, 4, 5)), 1e-5f);
}

TEST(MotionKeys, MatrixKeysAreInterpolatedAsScaleRotationAndTranslation) {
    XFileScene s = mtest::scene_of({{"Root", -1, matrix_identity()}, {"Fin", 0, matrix_identity()}});
    s.ticksPerSecond = 100;
    const Matrix mirrored = matrix_multiply(matrix_multiply(matrix_scaling(-1, 2, 1), matrix_rotation_z(0.5f)),
                                            matrix_translation(1, 2, 3));
    XAnimation a;
    a.frameName = "Fin";
    a.matrixKeys = {matrix_key(0, matrix_identity()),
                    matrix_key(100, matrix_multiply(matrix_multiply(matrix_scaling(3, 3, 3), matrix_rotation_z(kPi / 2)),
                                                    matrix_translation(4, 0, 0))),
                    matrix_key(200, mirrored), matrix_key(300, matrix_identity())};
    XAnimationSet set;
    set.animations = {a};
    s.animationSets = {set};
    mtest::MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, s), kOk);
    MeshFrame* fin = mtest::frame_named(mesh, "Fin");
    set_motion_time(mesh, 0.5);
    mtest::expect_matrix_near(fin->local,
                              matrix_multiply(matrix_multiply(matrix_scaling(2, 2, 2), matrix_rotation_z(kPi / 4)),
                                              matrix_translation(2, 0, 0)),
                              1e-5f);
    set_motion_time(mesh, 2.0);  // a mirroring key comes back as it was written
    mtest::expect_matrix_near(fin->local, mirrored, 1e-5f);
}

TEST(MotionKeys, WithoutTicksPerSecondAKeyOf4800IsOneSecond) {
    XFileScene s = mtest::scene_of({{"Root", -1, matrix_identity()}, {"Fin", 0, matrix_identity()}});
    XAnimation a;
    a.frameName = "Fin";
    a.positionKeys = {{0, {0, 0, 0}}, {9600, {8, 0, 0}}};
    XAnimationSet set;
    set.animations = {a};
    s.animationSets = {set};
    mtest::MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, s), kOk);
    EXPECT_EQ(mesh.animController->ticks_per_second(), 4800.0);
    set_motion_time(mesh, 1.0);
    mtest::expect_matrix_near(mtest::frame_named(mesh, "Fin")->local, matrix_translation(4, 0, 0), 1e-6f);
}

TEST(MotionKeys, KeysOfFramesTheHierarchyLacksAreLeftOut) {
    XFileScene s = mtest::scene_of({{"Root", -1, matrix_identity()}});
    XAnimation lost;
    lost.frameName = "Nowhere";
    lost.positionKeys = {{0, {1, 1, 1}}};
    XAnimationSet set;
    set.animations = {lost};
    s.animationSets = {set};
    mtest::MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, s), kOk);
    EXPECT_EQ(mesh.boundRadius, 0.0f);  // nothing to draw, nothing to bound
    EXPECT_TRUE(mesh.animController->get_animation_set(0)->tracks().empty());
    set_motion_time(mesh, 3.0);
    mtest::expect_matrix_near(mesh.rootFrame->local, matrix_identity(), 0);
}

TEST(MotionWithoutController, TimeStaysZeroAndFramesStillFollowTheWorld) {
    XFileScene s = swimmer();
    s.animationSets.clear();
    mtest::MeshBench bench;
    MeshResource mesh;
    ASSERT_EQ(bench.load(mesh, s), kOk);
    reset_motion_time(mesh);
    set_motion_time(mesh, 3.0);
    select_motion(mesh, 1);
    EXPECT_EQ(get_motion_time(mesh), 0.0);
    advance_motion(mesh, 0.5, matrix_translation(0, 0, 7));
    EXPECT_EQ(get_motion_time(mesh), 0.0);
    mtest::expect_matrix_near(mtest::frame_named(mesh, "A")->combined,
                              matrix_multiply(kFileA, matrix_translation(0, 0, 7)), 0);
}

// Exporters key the bind pose at time 0: the key evaluated there must give back every animated
// frame's FrameTransformMatrix, which holds only with the file's conjugate quaternions and
// local = S x R x T.
TEST(MotionRealFiles, TheFirstKeyReproducesTheFramesOwnMatrix) {
    const std::pair<const char*, std::uint32_t> files[] = {{"BCN_Epileptic.X", 0}, {"Testwuson.X", 2}};  // Wuson_Bind
    for (const auto& [file, setIndex] : files) {
        SCOPED_TRACE(file);
        std::string bytes;
        if (!mtest::read_model(file, &bytes)) GTEST_SKIP() << "assimp-testmodels not installed";
        XFileScene scene;
        ASSERT_EQ(read_xfile(bytes.data(), bytes.size(), &scene), kOk);
        mtest::MeshBench bench;
        MeshResource mesh;
        ASSERT_EQ(bench.load_text(mesh, bytes), kOk);
        select_motion(mesh, setIndex);
        const AnimationSet& set = *mesh.animController->get_animation_set(setIndex);
        ASSERT_FALSE(set.tracks().empty());
        double first = 1e30;
        for (const AnimationTrack& t : set.tracks())
            if (!t.rotationKeys.empty()) first = std::min(first, t.rotationKeys.front().time);
        set_motion_time(mesh, first / mesh.animController->ticks_per_second());
        int checked = 0;
        for (const AnimationTrack& t : set.tracks()) {
            if (t.rotationKeys.empty() || t.rotationKeys.front().time != first) continue;
            SCOPED_TRACE(t.frame->name);
            for (int i = 0; i < 16; ++i) {
                const float want = t.restLocal.m[i / 4][i % 4];
                EXPECT_NEAR(t.frame->local.m[i / 4][i % 4], want, 2e-3f * std::max(1.0f, std::fabs(want))) << i;
            }
            ++checked;
        }
        EXPECT_GT(checked, 10);
    }
}

}  // namespace
}  // namespace brine
