// Stand-ins for what rendering reaches through its seams: a tank (TankView and SceneFishHooks),
// a topic table, mesh hooks that log what they are asked into a recorder, and an image decoder
// for a tiny text format ("IMG <width> <height>") so tests need no real picture files.
#pragma once
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/decoded_image.h"
#include "fish/mesh_resource.h"
#include "render/frame.h"
#include "render/mesh_hooks.h"
#include "render/scene.h"
#include "tests/support/recording_device.h"

namespace brine::test {

class FakeTank : public TankView, public SceneFishHooks {
public:
    FakeTank() {
        for (int i = 0; i < 16; ++i) order[i] = i;
    }

    // TankView
    std::int32_t draw_order(int entry) const override { return order[entry]; }
    SceneObject* fish_body(int slot) const override { return bodies[slot].get(); }
    const char* fish_name(int slot) const override { return names[slot].empty() ? nullptr : names[slot].c_str(); }
    std::int32_t fish_satiety(int slot) const override { return satiety[slot]; }
    bool pellet_active(int pellet) const override { return active[pellet] != 0; }
    SceneObject* pellet_board(int pellet) const override { return boards[pellet].get(); }

    // SceneFishHooks
    void reset_fish_slots() override {
        ++resets;
        for (int i = 0; i < 16; ++i) order[i] = i;
    }
    void load_roster() override {
        ++rosterLoads;
        if (onLoadRoster) onLoadRoster(*this);
    }
    void set_pellet_board(int pellet, std::unique_ptr<SceneObject> board) override {
        active[pellet] = 0;
        boards[pellet] = std::move(board);
    }
    void clear_fish_slot(int slot) override {
        ++cleared;
        bodies[slot].reset();
        meshes[slot].reset();
        names[slot].clear();
        satiety[slot] = 0;
    }
    void free_catalog_arrays() override { ++catalogFrees; }
    void free_topics() override { ++topicFrees; }

    // A fish in a slot: a mesh body at the position, world matrix built.
    SceneObject* add_fish(int slot, const std::string& name, std::int32_t fed, Vec3 position, MeshHooks* hooks) {
        meshes[slot] = std::make_unique<MeshResource>();
        bodies[slot] = std::make_unique<SceneObject>();
        bodies[slot]->attach_mesh(meshes[slot].get(), hooks);
        bodies[slot]->set_position(position.x, position.y, position.z);
        bodies[slot]->build_world_matrix();
        names[slot] = name;
        satiety[slot] = fed;
        return bodies[slot].get();
    }

    std::int32_t order[16];
    std::unique_ptr<SceneObject> bodies[16];
    std::unique_ptr<MeshResource> meshes[16];
    std::string names[16];
    std::int32_t satiety[16] = {};
    std::int32_t active[16] = {};
    std::unique_ptr<SceneObject> boards[16];
    int resets = 0, rosterLoads = 0, cleared = 0, catalogFrees = 0, topicFrees = 0;
    void (*onLoadRoster)(FakeTank&) = nullptr;
};

class FakeTopics : public TopicSource {
public:
    const char* topic_text(std::int32_t index) const override {
        return index >= 0 && index < static_cast<std::int32_t>(texts.size()) ? texts[index] : nullptr;
    }
    std::vector<const char*> texts;
};

// Logs into the recorder as "mesh:<label>.<operation>(...)"; labels are given per mesh.
class LoggingMeshes : public MeshHooks {
public:
    explicit LoggingMeshes(Recorder* recorder) : recorder_(recorder) {}
    void reset_mesh_time(ResourceNode& mesh) override { ++resets[&mesh]; }
    void advance_mesh(ResourceNode& mesh, float seconds, const Matrix&) override {
        recorder_->record("advance_mesh", label(mesh) + ", " + std::to_string(seconds));
    }
    void set_mesh_overrides(ResourceNode& mesh, bool material, bool textures) override {
        recorder_->record("set_mesh_overrides",
                          label(mesh) + ", " + (material ? "1" : "0") + ", " + (textures ? "1" : "0"));
    }
    HResult draw_mesh(GraphicsDevice&, ResourceNode& mesh) override { return recorder_->record("draw_mesh", label(mesh)); }

    std::string label(ResourceNode& mesh) const {
        auto it = labels.find(&mesh);
        return it == labels.end() ? "?" : it->second;
    }
    std::map<const ResourceNode*, std::string> labels;
    std::map<const ResourceNode*, int> resets;

private:
    Recorder* recorder_;
};

// Does nothing and allocates nothing: for benchmarks and allocation counts.
class SilentMeshes : public MeshHooks {
public:
    void reset_mesh_time(ResourceNode&) override {}
    void advance_mesh(ResourceNode&, float, const Matrix&) override {}
    void set_mesh_overrides(ResourceNode&, bool, bool) override {}
    HResult draw_mesh(GraphicsDevice&, ResourceNode&) override { return kOk; }
};

// "IMG <width> <height>" (sides 1..4096) decodes to an opaque grey picture; anything else is
// D3DXERR_INVALIDDATA.
inline HResult fake_decode_image(const void* data, std::size_t size, DecodedImage* out) {
    char text[64] = {};
    std::memcpy(text, data, size < sizeof text - 1 ? size : sizeof text - 1);
    unsigned w = 0, h = 0;
    if (std::sscanf(text, "IMG %u %u", &w, &h) != 2 || w == 0 || h == 0 || w > 4096 || h > 4096)
        return kD3DXErrInvalidData;
    out->width = w;
    out->height = h;
    out->info = ImageInfo{w, h, 1, 1, kFmtX8R8G8B8, kRtypeTexture, kIffBmp};
    out->pixels.assign(static_cast<std::size_t>(w) * h, 0xFF808080u);
    out->hasAlpha = false;
    return kOk;
}

}  // namespace brine::test
