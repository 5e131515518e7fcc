// The fish life's mesh operations on the real skinned meshes: loading from a fish pack with the
// scene's device, caps, registry and texture loader, and the motion calls of the animation
// controller. One instance serves every fish of a scene; its context must outlive the loads.
// Must not depend on any platform header.
#pragma once
#include <deque>
#include <memory>
#include <string>

#include "fish/fish_mesh_hooks.h"
#include "fish/fish_world.h"
#include "fish/mesh_resource.h"
#include "fish/xfile_reader.h"

namespace brine {

class SkinnedMeshOps final : public FishMeshOps {
public:
    explicit SkinnedMeshOps(const MeshLoadContext& context) : context_(context) {}

    HResult load_mesh(MeshResource& mesh, const char* packPath, const char* member) override;
    std::int32_t animation_set_count(const MeshResource& mesh) override;
    void select_motion(MeshResource& mesh, std::int32_t animationSet) override;
    double get_time(const MeshResource& mesh) override;
    void set_time(MeshResource& mesh, double seconds) override;

    void reset_mesh_time(ResourceNode& mesh) override { hooks_.reset_mesh_time(mesh); }
    void advance_mesh(ResourceNode& mesh, float seconds, const Matrix& world) override {
        hooks_.advance_mesh(mesh, seconds, world);
    }
    void set_mesh_overrides(ResourceNode& mesh, bool keepObjectMaterial, bool keepObjectTextures) override {
        hooks_.set_mesh_overrides(mesh, keepObjectMaterial, keepObjectTextures);
    }
    HResult draw_mesh(GraphicsDevice& device, ResourceNode& mesh) override { return hooks_.draw_mesh(device, mesh); }

    MeshLoadContext& context() { return context_; }
    // How many loads read an X file rather than reusing what an earlier load read.
    int files_parsed() const { return filesParsed_; }

private:
    // Every fish has a mesh of its own, but fish of one kind read the same file: the last few
    // files read are kept parsed, matched by their bytes, so a roster of ten fish of four kinds
    // parses four files.
    struct ParsedFile {
        std::string bytes;
        XFileScene scene;
    };
    static constexpr std::size_t kParsedFilesKept = 4;

    MeshLoadContext context_;
    FishMeshHooks hooks_;
    std::deque<std::unique_ptr<ParsedFile>> parsed_;  // most recent first
    int filesParsed_ = 0;
};

}  // namespace brine
