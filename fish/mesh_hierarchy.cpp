// Walks over the frame hierarchy. They follow the parent links instead of recursing, so their
// depth costs neither stack nor heap.
#include "fish/mesh_hierarchy.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "render/d3dx_math.h"

namespace brine {

namespace {

// The frame after f in the order frame, its children, its next sibling; frames above `top`'s
// level are never left for. Null at the end.
MeshFrame* next_preorder(MeshFrame* f, const MeshFrame* top) {
    if (f->firstChild) return f->firstChild;
    while (f && f != top && !f->sibling) {
        f = f->parent;
        if (f == top) return nullptr;
    }
    return f ? f->sibling : nullptr;
}

}  // namespace

HResult list_frames(MeshFrame* root, std::vector<MeshFrame*>* out) {
    try {
        out->clear();
        std::vector<MeshFrame*> pending;
        if (root) pending.push_back(root);
        while (!pending.empty()) {
            MeshFrame* f = pending.back();
            pending.pop_back();
            out->push_back(f);
            // Popped last-in first: the sibling chain comes before the children.
            if (f->firstChild) pending.push_back(f->firstChild);
            if (f->sibling) pending.push_back(f->sibling);
        }
        return kOk;
    } catch (const std::bad_alloc&) {
        out->clear();
        return kOutOfMemory;
    }
}

MeshFrame* frame_find(MeshFrame* root, const char* name) {
    if (!name || !*name) return nullptr;
    std::vector<MeshFrame*> frames;
    if (failed(list_frames(root, &frames))) return nullptr;
    for (MeshFrame* f : frames)
        if (f->name == name) return f;
    return nullptr;
}

void destroy_frame_hierarchy(MeshFrame* root, AllocateHierarchy& alloc) {
    const MeshFrame* top = root ? root->parent : nullptr;
    MeshFrame* f = root;
    while (f) {
        if (f->firstChild) {  // leaves first
            f = f->firstChild;
            continue;
        }
        MeshFrame* parent = f->parent;
        MeshFrame* next = f->sibling;
        if (parent && parent != top && parent->firstChild == f) parent->firstChild = f->sibling;
        if (!next && parent != top) next = parent;
        for (MeshContainer* c = f->firstContainer; c;) {
            MeshContainer* following = c->next;
            alloc.DestroyMeshContainer(c);
            c = following;
        }
        f->firstContainer = nullptr;
        alloc.DestroyFrame(f);
        f = next;
    }
}

void update_frame_matrices(MeshFrame* root, const Matrix* parent) {
    const MeshFrame* top = root ? root->parent : nullptr;
    for (MeshFrame* f = root; f; f = next_preorder(f, top)) {
        const Matrix* above = f->parent != top ? &f->parent->combined : parent;
        f->combined = above ? matrix_multiply(f->local, *above) : f->local;
    }
}

HResult frame_bounding_sphere(MeshFrame* root, Vec3* center, float* radius) {
    const MeshFrame* top = root ? root->parent : nullptr;
    // Each container's sphere, in root space.
    auto sphere_of = [](const MeshFrame& f, const MeshContainer& c, Vec3* at, float* r) {
        const MeshGeometry* mesh = c.sourceMesh ? c.sourceMesh.get() : c.mesh.get();
        if (!mesh || !compute_bounding_sphere(*mesh, at, r)) return false;
        *at = vec3_transform_coord(*at, f.combined);
        float scale = 0.0f;
        for (int i = 0; i < 3; ++i)
            scale = std::max(scale, vec3_length({f.combined.m[i][0], f.combined.m[i][1], f.combined.m[i][2]}));
        *r *= scale;
        return true;
    };
    double sx = 0, sy = 0, sz = 0;
    std::uint32_t count = 0;
    for (MeshFrame* f = root; f; f = next_preorder(f, top)) {
        for (const MeshContainer* c = f->firstContainer; c; c = c->next) {
            Vec3 at;
            float r;
            if (!sphere_of(*f, *c, &at, &r)) continue;
            sx += at.x;
            sy += at.y;
            sz += at.z;
            ++count;
        }
    }
    if (count == 0) {
        *center = {0, 0, 0};
        *radius = 0.0f;
        return kOk;
    }
    const Vec3 mid{float(sx / count), float(sy / count), float(sz / count)};
    float reach = 0.0f;
    for (MeshFrame* f = root; f; f = next_preorder(f, top)) {
        for (const MeshContainer* c = f->firstContainer; c; c = c->next) {
            Vec3 at;
            float r;
            if (sphere_of(*f, *c, &at, &r)) reach = std::max(reach, vec3_length(vec3_subtract(at, mid)) + r);
        }
    }
    if (!std::isfinite(reach) || !std::isfinite(mid.x) || !std::isfinite(mid.y) || !std::isfinite(mid.z))
        return kFail;
    *center = mid;
    *radius = reach;
    return kOk;
}

}  // namespace brine
