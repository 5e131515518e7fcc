// A stand-in for the skinned-mesh engine behind FishMeshOps: meshes that "load" from any pack
// (or fail when told), with a chosen number of animation sets and an animation time that set,
// get and advance move like the real controller's (a mesh without sets has no controller: its
// time reads 0 and never moves). Motion calls can be recorded for tests; lookups allocate
// nothing, so tank_animate stays allocation-free with it. Also builds fish directly in a slot
// and gives the pellets their boards.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "fish/fish_world.h"
#include "fish/tank.h"

namespace brine::test {

struct MeshCall {
    enum Kind { kLoad, kReset, kSelect, kSetTime, kAdvance } kind;
    const MeshResource* mesh;
    double value;        // set index, time or seconds
    std::string detail;  // pack path and member of a load
};

class FakeFishMeshes : public FishMeshOps {
public:
    // What a load gives, and how many sets the loaded mesh has.
    HResult loadResult = kOk;
    std::int32_t setsOnLoad = 1;
    bool recordCalls = false;
    std::vector<MeshCall> calls;

    // Makes a hand-built mesh known, with its set count.
    void add_mesh(const MeshResource& mesh, std::int32_t sets);
    void forget_mesh(const MeshResource& mesh);
    std::int32_t selected_set(const MeshResource& mesh) const;  // -1 before any select
    std::size_t mesh_count() const { return meshes_.size(); }
    int count_calls(MeshCall::Kind kind) const;

    HResult load_mesh(MeshResource& mesh, const char* packPath, const char* member) override;
    std::int32_t animation_set_count(const MeshResource& mesh) override;
    void select_motion(MeshResource& mesh, std::int32_t animationSet) override;
    double get_time(const MeshResource& mesh) override;
    void set_time(MeshResource& mesh, double seconds) override;
    void reset_mesh_time(ResourceNode& mesh) override;
    void advance_mesh(ResourceNode& mesh, float seconds, const Matrix& world) override;
    void set_mesh_overrides(ResourceNode&, bool, bool) override {}
    HResult draw_mesh(GraphicsDevice&, ResourceNode&) override { return kOk; }

private:
    struct State {
        std::int32_t sets = 0;
        std::int32_t selected = -1;
        double time = 0.0;
    };
    State* find(const MeshResource& mesh);
    void record(MeshCall::Kind kind, const MeshResource& mesh, double value, std::string detail = {});
    std::unordered_map<const MeshResource*, State> meshes_;
};

// Motion values of a plain test kind: FPS 30, four records of set 0 (frames 0-30, 30-60, 60-90,
// 90-120), Wait 1000, slow 0.5 / 3 / 1.5, fast 1.5 / 7 / 2.5, Gravity 0.
void set_test_motion(MotionParams& motion);

struct TestFishSpec {
    Vec3 position{0, 0, 0};
    float yaw = 0;
    std::int32_t satiety = 0;
    const char* name = nullptr;  // default "fish<slot>"
    std::int32_t animationSets = 1;
};

// A whole fish in `slot` without packs: body (mode 2, lit, depth-tested, not culled) drawing its
// own mesh, the test motion values, state Idle with a zero pause, satiety clock at `now`.
FishRecord& place_test_fish(Tank& tank, FakeFishMeshes& meshes, int slot, const TestFishSpec& spec,
                            std::uint32_t now);

// Boards for all 16 pellets as the scene makes them (facing the camera, scale 3, alpha blend,
// unlit), without registry resources behind them.
void give_pellet_boards(Tank& tank);

}  // namespace brine::test
