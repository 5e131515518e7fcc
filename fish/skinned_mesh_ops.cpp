// Fish mesh operations over fish/mesh_resource.h.
#include "fish/skinned_mesh_ops.h"

#include <new>
#include <string_view>

#include "data/pack_file.h"

namespace brine {

HResult SkinnedMeshOps::load_mesh(MeshResource& mesh, const char* packPath, const char* member) {
    release_mesh_resource(&mesh);
    if (!packPath) return kFail;
    MemoryBlock block;
    if (failed(load_into_memory(packPath, member, &block))) return kFail;
    const char* texturePack = member ? packPath : nullptr;
    const std::string_view bytes(reinterpret_cast<const char*>(block.data()), block.size());
    for (auto it = parsed_.begin(); it != parsed_.end(); ++it) {
        if ((*it)->bytes != bytes) continue;
        std::unique_ptr<ParsedFile> hit = std::move(*it);
        parsed_.erase(it);
        parsed_.push_front(std::move(hit));
        return load_mesh_from_scene(mesh, parsed_.front()->scene, texturePack, context_);
    }
    try {
        auto file = std::make_unique<ParsedFile>();
        ++filesParsed_;
        const HResult r = read_xfile(block.data(), block.size(), &file->scene);
        if (failed(r)) return r;
        file->bytes.assign(bytes);
        parsed_.push_front(std::move(file));
        if (parsed_.size() > kParsedFilesKept) parsed_.pop_back();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return load_mesh_from_scene(mesh, parsed_.front()->scene, texturePack, context_);
}

std::int32_t SkinnedMeshOps::animation_set_count(const MeshResource& mesh) {
    return mesh.animController ? static_cast<std::int32_t>(mesh.animationSetCount) : 0;
}

void SkinnedMeshOps::select_motion(MeshResource& mesh, std::int32_t animationSet) {
    if (animationSet >= 0) brine::select_motion(mesh, static_cast<std::uint32_t>(animationSet));
}

double SkinnedMeshOps::get_time(const MeshResource& mesh) { return get_motion_time(mesh); }

void SkinnedMeshOps::set_time(MeshResource& mesh, double seconds) { set_motion_time(mesh, seconds); }

}  // namespace brine
