#include "tests/support/fake_fish_meshes.h"

#include <cstring>
#include <memory>
#include <utility>

namespace brine::test {

void FakeFishMeshes::add_mesh(const MeshResource& mesh, std::int32_t sets) { meshes_[&mesh].sets = sets; }

void FakeFishMeshes::forget_mesh(const MeshResource& mesh) { meshes_.erase(&mesh); }

std::int32_t FakeFishMeshes::selected_set(const MeshResource& mesh) const {
    auto it = meshes_.find(&mesh);
    return it == meshes_.end() ? -1 : it->second.selected;
}

int FakeFishMeshes::count_calls(MeshCall::Kind kind) const {
    int n = 0;
    for (const MeshCall& c : calls)
        if (c.kind == kind) ++n;
    return n;
}

FakeFishMeshes::State* FakeFishMeshes::find(const MeshResource& mesh) {
    auto it = meshes_.find(&mesh);
    return it == meshes_.end() ? nullptr : &it->second;
}

void FakeFishMeshes::record(MeshCall::Kind kind, const MeshResource& mesh, double value, std::string detail) {
    if (recordCalls) calls.push_back({kind, &mesh, value, std::move(detail)});
}

HResult FakeFishMeshes::load_mesh(MeshResource& mesh, const char* packPath, const char* member) {
    record(MeshCall::kLoad, mesh, 0, std::string(packPath) + "|" + member);
    if (failed(loadResult)) return loadResult;
    mesh.texturePack = packPath;
    meshes_[&mesh].sets = setsOnLoad;
    return kOk;
}

std::int32_t FakeFishMeshes::animation_set_count(const MeshResource& mesh) {
    State* s = find(mesh);
    return s ? s->sets : 0;
}

void FakeFishMeshes::select_motion(MeshResource& mesh, std::int32_t animationSet) {
    record(MeshCall::kSelect, mesh, animationSet);
    State* s = find(mesh);
    if (s && s->sets > 1) s->selected = animationSet;
}

double FakeFishMeshes::get_time(const MeshResource& mesh) {
    State* s = find(mesh);
    return s && s->sets > 0 ? s->time : 0.0;
}

void FakeFishMeshes::set_time(MeshResource& mesh, double seconds) {
    record(MeshCall::kSetTime, mesh, seconds);
    State* s = find(mesh);
    if (s && s->sets > 0) s->time = seconds;
}

void FakeFishMeshes::reset_mesh_time(ResourceNode& node) {
    const MeshResource& mesh = static_cast<const MeshResource&>(node);  // only fish meshes reach the fake
    record(MeshCall::kReset, mesh, 0);
    State* s = find(mesh);
    if (s) s->time = 0.0;
}

void FakeFishMeshes::advance_mesh(ResourceNode& node, float seconds, const Matrix&) {
    const MeshResource& mesh = static_cast<const MeshResource&>(node);
    record(MeshCall::kAdvance, mesh, seconds);
    State* s = find(mesh);
    if (s && s->sets > 0) s->time += seconds;
}

void set_test_motion(MotionParams& motion) {
    motion = MotionParams{};
    motion.fps = 30;
    motion.motionNum = 4;
    motion.trackRecords.reset(new MotionRecord[4]{{0, 0, 30}, {0, 30, 60}, {0, 60, 90}, {0, 90, 120}});
    motion.wait = 1000;
    motion.slowSpeed = 0.5f;
    motion.slowRotateH = 3.0f;
    motion.slowRotateV = 1.5f;
    motion.fastSpeed = 1.5f;
    motion.fastRotateH = 7.0f;
    motion.fastRotateV = 2.5f;
    motion.gravity = 0.0f;
}

FishRecord& place_test_fish(Tank& tank, FakeFishMeshes& meshes, int slot, const TestFishSpec& spec,
                            std::uint32_t now) {
    FishRecord& f = tank.fish[slot];
    f = FishRecord{};
    f.mesh.reset(new MeshResource());
    meshes.add_mesh(*f.mesh, spec.animationSets);
    f.body.reset(new SceneObject());
    f.body->attach_mesh(f.mesh.get(), nullptr);
    f.body->set_blend_mode(kBlendAlpha);
    f.body->set_culling(false);
    f.body->position = spec.position;
    f.body->rotation = {0.0f, spec.yaw, 0.0f};
    std::string name = spec.name ? spec.name : "fish" + std::to_string(slot);
    std::strncpy(f.name, name.c_str(), kFishNameMax);
    set_test_motion(f.motion);
    f.state = FishState::Idle;
    f.satiety = spec.satiety;
    f.satietyClock = now;
    f.stateStart = now;
    f.stateDuration = 0;
    return f;
}

void give_pellet_boards(Tank& tank) {
    for (int i = 0; i < Tank::kPellets; ++i) {
        std::unique_ptr<SceneObject> board(new SceneObject());
        board->set_blend_mode(kBlendAlpha);
        board->set_lighting(false);
        board->set_face_pitch(true);
        board->set_face_yaw(true);
        board->set_scale(3.0f, 3.0f, 3.0f);
        board->set_ambient(0.5f, 0.5f, 0.5f, 1.0f);
        set_pellet_board(tank, i, std::move(board));
    }
}

}  // namespace brine::test
