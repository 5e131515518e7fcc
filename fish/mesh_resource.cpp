// Loading and releasing a fish's skinned mesh, the allocate-hierarchy object and the motion
// operations.
#include "fish/mesh_resource.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "data/pack_file.h"
#include "render/d3dx_math.h"

namespace brine {

namespace {

Matrix to_matrix(const XMatrix& x) {
    Matrix m;
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = x.m[i];
    return m;
}

// A file material as D3DX hands it over: the file has no ambient colour.
MeshMaterial to_material(const XMaterial& x) {
    MeshMaterial m{};
    m.material.diffuse = {x.diffuse[0], x.diffuse[1], x.diffuse[2], x.diffuse[3]};
    m.material.ambient = {0.0f, 0.0f, 0.0f, 1.0f};
    m.material.specular = {x.specular[0], x.specular[1], x.specular[2], 1.0f};
    m.material.emissive = {x.emissive[0], x.emissive[1], x.emissive[2], 1.0f};
    m.material.power = x.power;
    m.textureFilename = x.textureFile.empty() ? nullptr : x.textureFile.c_str();
    return m;
}

HResult build_hierarchy(MeshResource& mesh, const XFileScene& scene) {
    AllocateHierarchy& alloc = mesh.allocator;
    std::vector<MeshFrame*> made(scene.frames.size(), nullptr);
    std::vector<MeshFrame*> lastChild(scene.frames.size(), nullptr);
    MeshFrame* lastTop = nullptr;
    for (std::size_t i = 0; i < scene.frames.size(); ++i) {
        const XFrame& xf = scene.frames[i];
        MeshFrame* f = nullptr;
        HResult r = alloc.CreateFrame(xf.name.empty() ? nullptr : xf.name.c_str(), &f);
        if (failed(r)) return r;
        f->local = to_matrix(xf.transform);
        // The reader lists a parent before its children and children in sibling order, so
        // appending keeps the file's order without walking the chains.
        const bool nested = xf.parent >= 0 && std::size_t(xf.parent) < i;
        MeshFrame* parent = nested ? made[std::size_t(xf.parent)] : nullptr;
        f->parent = parent;
        MeshFrame*& last = parent ? lastChild[std::size_t(xf.parent)] : lastTop;
        if (last) {
            last->sibling = f;
        } else if (parent) {
            parent->firstChild = f;
        } else {
            mesh.rootFrame = f;
        }
        last = f;
        made[i] = f;
    }
    for (std::size_t i = 0; i < scene.frames.size(); ++i) {
        MeshContainer** tail = &made[i]->firstContainer;
        for (const XMesh& xm : scene.frames[i].meshes) {
            auto geometry = std::make_unique<MeshGeometry>();
            HResult r = build_mesh_geometry(xm, geometry.get());
            if (failed(r)) return r;
            if (geometry->face_count() == 0) continue;  // nothing to draw: no container
            std::vector<std::uint32_t> adjacency = generate_adjacency(*geometry);
            std::vector<MeshMaterial> materials;
            materials.reserve(xm.materials.size());
            for (const XMaterial& x : xm.materials) materials.push_back(to_material(x));

            MeshContainerSource source;
            if (!xm.bones.empty()) {
                source.skinInfo = std::make_unique<SkinInfo>();
                r = build_skin_info(xm, *geometry, source.skinInfo.get());
                if (failed(r)) return r;
            }
            source.mesh = std::move(geometry);
            source.materials = materials.empty() ? nullptr : materials.data();
            source.materialCount = std::uint32_t(materials.size());
            source.adjacency = adjacency.data();
            MeshContainer* c = nullptr;
            r = alloc.CreateMeshContainer(xm.name.empty() ? nullptr : xm.name.c_str(), source, &c);
            if (failed(r)) return r;
            *tail = c;
            tail = &c->next;
        }
    }
    return kOk;
}

HResult resolve_bones(MeshResource& mesh) {
    std::unordered_map<std::string, MeshFrame*> byName;
    for (MeshFrame* f : mesh.frameOrder)
        if (!f->name.empty()) byName.emplace(f->name, f);  // the first in search order wins
    for (MeshFrame* f : mesh.frameOrder) {
        for (MeshContainer* c = f->firstContainer; c; c = c->next) {
            if (!c->skinInfo) continue;
            const std::uint32_t bones = c->skinInfo->get_num_bones();
            c->boneMatrixPointers.assign(bones, nullptr);
            for (std::uint32_t b = 0; b < bones; ++b) {
                auto found = byName.find(c->skinInfo->get_bone_name(b));
                if (found == byName.end()) return kFail;
                c->boneMatrixPointers[b] = &found->second->combined;
            }
        }
    }
    return kOk;
}

HResult load_scene(MeshResource& mesh, const XFileScene& scene, MeshLoadContext& context) {
    mesh.maxVertexBlendMatrices = context.caps.maxVertexBlendMatrices;
    HResult r = build_hierarchy(mesh, scene);
    if (failed(r)) return r;
    r = list_frames(mesh.rootFrame, &mesh.frameOrder);
    if (failed(r)) return r;
    update_frame_matrices(mesh.rootFrame, nullptr);  // the bind pose, for the bounds
    r = resolve_bones(mesh);
    if (failed(r)) return r;
    r = frame_bounding_sphere(mesh.rootFrame, &mesh.boundCenter, &mesh.boundRadius);
    if (failed(r)) return r;
    r = build_animation_controller(scene, mesh.frameOrder, &mesh.animController);
    if (failed(r)) return r;
    if (mesh.animController) {
        mesh.animationSetCount = mesh.animController->get_max_num_animation_sets();
        if (mesh.animationSetCount > 1) {
            mesh.animationSets.reset(new AnimationSet*[mesh.animationSetCount]);
            for (std::uint32_t i = 0; i < mesh.animationSetCount; ++i)
                mesh.animationSets[i] = mesh.animController->get_animation_set(i);
        }
    }
    return kOk;
}

}  // namespace

namespace {
void destroy_mesh_node(ResourceNode* node) { delete static_cast<MeshResource*>(node); }
}  // namespace

MeshResource::MeshResource() {
    set_name("TKLIB_MESH");
    kind = kResourceMesh;
    teardown = destroy_mesh_node;
}

MeshResource::~MeshResource() { release_mesh_resource(this); }

void release_mesh_resource(MeshResource* mesh) {
    if (!mesh) return;
    destroy_frame_hierarchy(mesh->rootFrame, mesh->allocator);
    mesh->rootFrame = nullptr;
    mesh->frameOrder.clear();
    mesh->frameOrder.shrink_to_fit();
    mesh->animationSets.reset();
    mesh->animationSetCount = 0;
    mesh->animController.reset();
    mesh->boundCenter = {0, 0, 0};
    mesh->boundRadius = 0.0f;
    mesh->texturePack.clear();
    mesh->texturePack.shrink_to_fit();
}

HResult load_mesh_from_scene(MeshResource& mesh, const XFileScene& scene, const char* texturePack,
                             MeshLoadContext& context) {
    release_mesh_resource(&mesh);
    if (!context.device) return kFail;
    HResult r;
    try {
        if (texturePack) mesh.texturePack = texturePack;
        mesh.allocator.context = &context;
        r = load_scene(mesh, scene, context);
    } catch (const std::bad_alloc&) {
        r = kOutOfMemory;
    }
    mesh.allocator.context = nullptr;
    if (failed(r)) release_mesh_resource(&mesh);
    return r;
}

HResult load_mesh_from_memory(MeshResource& mesh, const void* data, std::size_t size, const char* texturePack,
                              MeshLoadContext& context) {
    release_mesh_resource(&mesh);
    if (!context.device) return kFail;
    XFileScene scene;
    const HResult r = read_xfile(data, size, &scene);
    if (failed(r)) return r;
    return load_mesh_from_scene(mesh, scene, texturePack, context);
}

HResult load_mesh(MeshResource& mesh, const char* path, const char* member, MeshLoadContext& context) {
    release_mesh_resource(&mesh);
    if (!path) return kFail;
    MemoryBlock block;
    if (failed(load_into_memory(path, member, &block))) return kFail;
    return load_mesh_from_memory(mesh, block.data(), block.size(), member ? path : nullptr, context);
}

// --- the allocate-hierarchy object ---

HResult FishAllocateHierarchy::CreateFrame(const char* name, MeshFrame** newFrame) {
    *newFrame = nullptr;
    MeshFrame* f = new (std::nothrow) MeshFrame();
    if (!f) return kOutOfMemory;
    try {
        if (name) f->name = name;
    } catch (const std::bad_alloc&) {
        delete f;
        return kOutOfMemory;
    }
    f->local = matrix_identity();
    f->combined = matrix_identity();
    *newFrame = f;
    return kOk;
}

HResult FishAllocateHierarchy::DestroyFrame(MeshFrame* frame) {
    delete frame;
    return kOk;
}

HResult FishAllocateHierarchy::DestroyMeshContainer(MeshContainer* container) {
    // The textures stay: they belong to the registry.
    delete container;
    return kOk;
}

Texture* FishAllocateHierarchy::texture_for(const char* fileName) {
    if (!context || !context->registry) return nullptr;
    bool created = false;
    // Null for a name that does not fit an entry (over 31 bytes) or one taken by another kind.
    TextureResource* entry = context->registry->get_or_create<TextureResource>(fileName, &created);
    if (!entry) return nullptr;
    if (created && context->loadTexture && context->device) {
        const bool fromPack = !owner_.texturePack.empty();
        HResult r = context->loadTexture(*context->device, *entry, fromPack ? owner_.texturePack.c_str() : fileName,
                                         fromPack ? fileName : nullptr, false, kD3DXDefault, kFmtDxt5);
        if (failed(r)) return nullptr;
    }
    return entry->texture;
}

HResult convert_skinned_container(MeshContainer& c, std::uint32_t maxVertexBlendMatrices) {
    c.mesh.reset();
    c.boneCombinations.reset();
    c.attributeGroupCount = 0;
    c.maxFaceInfluences = 0;
    c.softwareSplit = 0;
    if (!c.skinInfo || !c.sourceMesh) return kFail;
    BlendedMesh blended;
    HResult r = convert_to_blended_mesh(*c.skinInfo, *c.sourceMesh, kMeshManaged | kMeshOptVertexCache, &blended);
    if (failed(r)) return r;
    c.mesh = std::move(blended.mesh);
    c.boneCombinations = std::move(blended.table);
    c.maxFaceInfluences = blended.maxFaceInfluences;
    c.attributeGroupCount = blended.groupCount;
    c.softwareSplit = find_software_split(*c.boneCombinations, c.maxFaceInfluences, maxVertexBlendMatrices);
    if (c.softwareSplit < c.attributeGroupCount) c.mesh->options |= kMeshSoftwareProcessing;
    return kOk;
}

HResult FishAllocateHierarchy::CreateMeshContainer(const char* name, MeshContainerSource& source,
                                                   MeshContainer** newContainer) {
    *newContainer = nullptr;
    std::unique_ptr<MeshGeometry> mesh = std::move(source.mesh);
    std::unique_ptr<SkinInfo> skin = std::move(source.skinInfo);
    if (source.meshType != kMeshTypeMesh || !mesh || mesh->fvf() == 0) return kFail;
    MeshContainer* c = new (std::nothrow) MeshContainer();
    if (!c) return kOutOfMemory;
    HResult r = kOk;
    try {
        if (name) c->name = name;
        if (mesh->fvf() & kFvfNormal) {
            c->mesh = std::move(mesh);
        } else {
            c->mesh = std::make_unique<MeshGeometry>();
            r = clone_mesh_fvf(*mesh, mesh->fvf() | kFvfNormal, mesh->options, c->mesh.get());
            if (succeeded(r)) compute_normals(*c->mesh);
        }
        if (succeeded(r)) {
            c->materialCount = std::max<std::uint32_t>(1, source.materialCount);
            c->materials.assign(c->materialCount, MeshMaterial{});
            c->textures.assign(c->materialCount, nullptr);
            const std::size_t adjacencyCount = std::size_t(c->mesh->face_count()) * 3;
            if (source.adjacency) {
                c->adjacency.assign(source.adjacency, source.adjacency + adjacencyCount);
            } else {
                c->adjacency = generate_adjacency(*c->mesh);
            }
            if (source.materials && source.materialCount > 0) {
                for (std::uint32_t i = 0; i < source.materialCount; ++i) {
                    c->materials[i] = source.materials[i];
                    if (c->materials[i].textureFilename) c->textures[i] = texture_for(c->materials[i].textureFilename);
                    c->materials[i].textureFilename = nullptr;
                }
            } else {
                Material& grey = c->materials[0].material;
                grey = Material{};
                grey.diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
                grey.specular = grey.diffuse;
            }
        }
        if (succeeded(r) && skin) {
            c->skinInfo = std::move(skin);
            c->sourceMesh = std::move(c->mesh);
            const std::uint32_t bones = c->skinInfo->get_num_bones();
            c->boneOffsets.resize(bones);
            for (std::uint32_t b = 0; b < bones; ++b) c->boneOffsets[b] = c->skinInfo->get_bone_offset_matrix(b);
            r = convert_skinned_container(*c, context ? context->caps.maxVertexBlendMatrices : 0);
        }
        if (succeeded(r)) r = context && context->device ? c->mesh->upload(*context->device) : kFail;
    } catch (const std::bad_alloc&) {
        r = kOutOfMemory;
    }
    if (failed(r)) {
        DestroyMeshContainer(c);
        return r;
    }
    *newContainer = c;
    return kOk;
}

// --- motion ---

void reset_motion_time(MeshResource& mesh) {
    if (mesh.animController) mesh.animController->set_time(0.0);
}

double get_motion_time(const MeshResource& mesh) {
    return mesh.animController ? mesh.animController->get_time() : 0.0;
}

void set_motion_time(MeshResource& mesh, double seconds) {
    if (mesh.animController) mesh.animController->set_time(seconds);
}

void select_motion(MeshResource& mesh, std::uint32_t index) {
    if (!mesh.animController || mesh.animationSetCount <= 1 || !mesh.animationSets) return;
    if (index >= mesh.animationSetCount) return;
    mesh.animController->set_track_animation_set(0, mesh.animationSets[index]);
}

void advance_motion(MeshResource& mesh, double elapsed, const Matrix& parent) {
    if (mesh.animController) mesh.animController->set_time(mesh.animController->get_time() + elapsed);
    update_frame_matrices(mesh.rootFrame, &parent);
}

}  // namespace brine
