// Save files from untrusted bytes: the restore reads only whole records within 1024 bytes, never
// indexes the catalog with a foreign kind, keeps names inside their field and leaves a tank that
// keeps its invariants. Fish "load" without packs here, so creation stops at the motion script
// and must leave every slot free.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/fish_catalog.h"
#include "fish/fish_world.h"
#include "fish/roster_file.h"
#include "fish/tank.h"

namespace {

class NoMeshes : public brine::FishMeshOps {
public:
    brine::HResult load_mesh(brine::MeshResource&, const char*, const char*) override { return brine::kOk; }
    std::int32_t animation_set_count(const brine::MeshResource&) override { return 0; }
    void select_motion(brine::MeshResource&, std::int32_t) override {}
    double get_time(const brine::MeshResource&) override { return 0; }
    void set_time(brine::MeshResource&, double) override {}
    void reset_mesh_time(brine::ResourceNode&) override {}
    void advance_mesh(brine::ResourceNode&, float, const brine::Matrix&) override {}
    void set_mesh_overrides(brine::ResourceNode&, bool, bool) override {}
    brine::HResult draw_mesh(brine::GraphicsDevice&, brine::ResourceNode&) override { return brine::kOk; }
};

class FixedClock : public brine::Clock {
public:
    std::uint32_t tick_count() override { return 123456789u; }
    bool performance_frequency(std::int64_t*) override { return false; }
    std::int64_t performance_counter() override { return 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static brine::FishCatalog* catalog = [] {
        auto* c = new brine::FishCatalog();
        c->count = 3;
        for (int i = 0; i < 3; ++i) c->rows[i].packNumber = 900 + i;  // packs that are not there
        return c;
    }();
    brine::Tank tank;
    FixedClock clock;
    brine::CrtRand rand;
    NoMeshes meshes;
    brine::FishWorld world;
    world.tank = &tank;
    world.clock = &clock;
    world.rand = &rand;
    world.catalog = catalog;
    world.meshes = &meshes;
    int restored = brine::restore_roster(world, data, size);
    if (restored != 0 || brine::count_fish(tank) != 0) std::abort();
    if (!brine::check_tank_invariants(tank)) std::abort();
    for (std::size_t at = 0; at + brine::kSaveRecordSize <= size && at < brine::kSaveFileSize; at += brine::kSaveRecordSize) {
        brine::FishSaveRecord r = brine::decode_save_record(data + at);
        char name[brine::kFishNameMax + 1];
        brine::normalise_saved_name(r.name, name);
        if (std::strlen(name) > brine::kFishNameMax) std::abort();
        if (brine::restored_satiety(r.satiety, r.satietyClock, 0) < 0) std::abort();
    }
    return 0;
}
