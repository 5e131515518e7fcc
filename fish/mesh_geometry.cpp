// Mesh geometry: building from X-file meshes, cloning, normals, adjacency, bounds and drawing.
#include "fish/mesh_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "render/d3dx_math.h"
#include "device/graphics_device.h"

namespace brine {

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr std::uint32_t kKnownFvfBits = kFvfPositionMask | kFvfNormal | kFvfDiffuse | kFvfTex1;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

void put_color(float* slot, std::uint32_t argb) { std::memcpy(slot, &argb, sizeof argb); }

std::uint32_t color_bits(const XColor& c) {
    auto channel = [](float v) -> std::uint32_t {
        if (!(v > 0.0f)) return 0;  // NaN too
        if (v >= 1.0f) return 255;
        return std::uint32_t(v * 255.0f + 0.5f);
    };
    return channel(c.a) << 24 | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

}  // namespace

std::vector<std::uint32_t> order_by_pair(const std::vector<std::uint32_t>& major,
                                         const std::vector<std::uint32_t>& minor) {
    const std::size_t n = major.size();
    std::vector<std::uint32_t> order(n);
    if (n == 0) return order;
    const std::size_t majorRange = std::size_t(*std::max_element(major.begin(), major.end())) + 1;
    const std::size_t minorRange = std::size_t(*std::max_element(minor.begin(), minor.end())) + 1;
    // Stable counting sorts, minor key first.
    std::vector<std::uint32_t> byMinor(n);
    {
        std::vector<std::uint32_t> start(minorRange + 1, 0);
        for (std::uint32_t k : minor) ++start[k + 1];
        for (std::size_t i = 1; i <= minorRange; ++i) start[i] += start[i - 1];
        for (std::uint32_t i = 0; i < n; ++i) byMinor[start[minor[i]]++] = i;
    }
    std::vector<std::uint32_t> start(majorRange + 1, 0);
    for (std::uint32_t k : major) ++start[k + 1];
    for (std::size_t i = 1; i <= majorRange; ++i) start[i] += start[i - 1];
    for (std::uint32_t i : byMinor) order[start[major[i]]++] = i;
    return order;
}

bool vertex_layout(std::uint32_t fvf, VertexLayout* out) {
    *out = VertexLayout{};
    if (fvf & ~kKnownFvfBits) return false;
    VertexLayout l;
    l.fvf = fvf;
    switch (fvf & kFvfPositionMask) {
        case kFvfXyz: l.weightCount = 0; break;
        case kFvfXyzB1: l.weightCount = 1; break;
        case kFvfXyzB2: l.weightCount = 2; break;
        case kFvfXyzB3: l.weightCount = 3; break;
        default: return false;
    }
    std::uint32_t slot = 3;
    if (l.weightCount) {
        l.weights = int(slot);
        slot += l.weightCount;
    }
    if (fvf & kFvfNormal) {
        l.normal = int(slot);
        slot += 3;
    }
    if (fvf & kFvfDiffuse) l.diffuse = int(slot++);
    if (fvf & kFvfTex1) {
        l.texcoord = int(slot);
        slot += 2;
    }
    l.slots = slot;
    *out = l;
    return true;
}

HResult MeshGeometry::upload(GraphicsDevice& device) {
    try {
        return upload_buffers(device);
    } catch (const std::bad_alloc&) {
        release_buffers();
        return kOutOfMemory;
    }
}

HResult MeshGeometry::upload_buffers(GraphicsDevice& device) {
    release_buffers();
    const std::uint64_t vertexBytes = std::uint64_t(vertices.size()) * 4;
    const std::uint32_t count = vertex_count();
    index32 = count > 0x10000u;
    const std::uint64_t indexBytes = std::uint64_t(indices.size()) * (index32 ? 4 : 2);
    if (vertexBytes == 0 || indexBytes == 0 || vertexBytes > 0xFFFFFFFFu || indexBytes > 0xFFFFFFFFu) return kFail;

    HResult r = device.create_vertex_buffer(vertices.data(), std::uint32_t(vertexBytes), fvf(), &vertexBuffer);
    if (failed(r)) {
        vertexBuffer = nullptr;
        return r;
    }
    if (index32) {
        r = device.create_index_buffer(indices.data(), std::uint32_t(indexBytes), true, &indexBuffer);
    } else {
        std::vector<std::uint16_t> narrow(indices.begin(), indices.end());
        r = device.create_index_buffer(narrow.data(), std::uint32_t(indexBytes), false, &indexBuffer);
    }
    if (failed(r)) {
        indexBuffer = nullptr;
        release_buffers();
        return r;
    }
    return kOk;
}

void MeshGeometry::release_buffers() {
    if (vertexBuffer) vertexBuffer->release();
    if (indexBuffer) indexBuffer->release();
    vertexBuffer = nullptr;
    indexBuffer = nullptr;
}

HResult MeshGeometry::draw_subset(GraphicsDevice& device, std::uint32_t attribId) const {
    const AttributeRange* range = nullptr;
    for (const AttributeRange& a : attributeTable) {
        if (a.attribId == attribId) {
            range = &a;
            break;
        }
    }
    if (!range || range->faceCount == 0) return kOk;
    if (!uploaded()) return kFail;
    HResult r = device.set_fvf(fvf());
    if (succeeded(r)) r = device.set_stream_source(vertexBuffer, stride());
    if (succeeded(r)) r = device.set_indices(indexBuffer);
    if (succeeded(r))
        r = device.draw_indexed_primitive(kPtTriangleList, 0, range->vertexStart, range->vertexCount,
                                          range->faceStart * 3, range->faceCount);
    return r;
}

void rebuild_attribute_table(MeshGeometry& mesh) {
    mesh.attributeTable.clear();
    const std::uint32_t faces = mesh.face_count();
    std::uint32_t f = 0;
    while (f < faces) {
        AttributeRange range{mesh.faceAttributes[f], f, 0, 0, 0};
        std::uint32_t lo = kNone, hi = 0;
        while (f < faces && mesh.faceAttributes[f] == range.attribId) {
            for (int k = 0; k < 3; ++k) {
                std::uint32_t v = mesh.indices[std::size_t(f) * 3 + k];
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            ++f;
        }
        range.faceCount = f - range.faceStart;
        range.vertexStart = lo;
        range.vertexCount = hi - lo + 1;
        mesh.attributeTable.push_back(range);
    }
}

namespace {

HResult build(const XMesh& x, MeshGeometry* out) {
    MeshGeometry& g = *out;
    g.release_buffers();
    const std::size_t positionCount = x.positions.size();
    const bool hasNormals = !x.normals.empty() && x.faceNormalIndices.size() == x.faceIndices.size();
    const bool hasUvs = positionCount > 0 && x.uvs.size() == positionCount;
    const bool hasColors = positionCount > 0 && x.colors.size() == positionCount;
    const bool hasMaterials = x.faceMaterials.size() == x.faceSizes.size();

    std::uint32_t fvf = kFvfXyz;
    if (hasNormals) fvf |= kFvfNormal;
    if (hasColors) fvf |= kFvfDiffuse;
    if (hasUvs) fvf |= kFvfTex1;
    vertex_layout(fvf, &g.layout);
    g.vertices.clear();
    g.indices.clear();
    g.faceAttributes.clear();
    g.pointReps.clear();
    g.options = kMeshManaged;

    auto add_vertex = [&](std::uint32_t p, std::uint32_t n) {
        g.pointReps.push_back(p);
        const std::size_t base = g.vertices.size();
        g.vertices.resize(base + g.layout.slots, 0.0f);
        float* d = g.vertices.data() + base;
        d[0] = x.positions[p].x;
        d[1] = x.positions[p].y;
        d[2] = x.positions[p].z;
        if (g.layout.normal >= 0) {
            d[g.layout.normal] = x.normals[n].x;
            d[g.layout.normal + 1] = x.normals[n].y;
            d[g.layout.normal + 2] = x.normals[n].z;
        }
        if (g.layout.diffuse >= 0) put_color(d + g.layout.diffuse, color_bits(x.colors[p]));
        if (g.layout.texcoord >= 0) {
            d[g.layout.texcoord] = x.uvs[p].x;
            d[g.layout.texcoord + 1] = x.uvs[p].y;
        }
    };
    // With normals, one vertex per (position, normal) pair that a corner uses, in that order;
    // found by sorting, so no pattern of sharing can make it quadratic.
    std::vector<std::uint32_t> cornerVertex;
    if (hasNormals) {
        const std::vector<std::uint32_t> order = order_by_pair(x.faceIndices, x.faceNormalIndices);
        cornerVertex.resize(order.size());
        std::uint32_t made = 0;
        for (std::size_t i = 0; i < order.size(); ++i) {
            const std::uint32_t c = order[i];
            if (i == 0 || x.faceIndices[c] != x.faceIndices[order[i - 1]] ||
                x.faceNormalIndices[c] != x.faceNormalIndices[order[i - 1]]) {
                add_vertex(x.faceIndices[c], x.faceNormalIndices[c]);
                ++made;
            }
            cornerVertex[c] = made - 1;
        }
    } else {
        g.vertices.reserve(positionCount * g.layout.slots);
        for (std::uint32_t p = 0; p < positionCount; ++p) add_vertex(p, 0);
    }

    // Fans, with their material, in file order; sorted by material below.
    std::vector<std::uint32_t> tris, triAttr;
    std::size_t corner = 0;
    for (std::size_t f = 0; f < x.faceSizes.size(); ++f) {
        const std::uint32_t n = x.faceSizes[f];
        if (corner + n > x.faceIndices.size()) break;  // the reader never leaves this short
        const std::uint32_t attr = hasMaterials ? x.faceMaterials[f] : 0;
        if (n >= 3) {
            auto corner_vertex = [&](std::uint32_t c) {
                return hasNormals ? cornerVertex[corner + c] : x.faceIndices[corner + c];
            };
            const std::uint32_t v0 = corner_vertex(0);
            std::uint32_t prev = corner_vertex(1);
            for (std::uint32_t c = 2; c < n; ++c) {
                const std::uint32_t next = corner_vertex(c);
                tris.insert(tris.end(), {v0, prev, next});
                triAttr.push_back(attr);
                prev = next;
            }
        }
        corner += n;
    }

    // Stable counting sort by material.
    std::uint32_t maxAttr = 0;
    for (std::uint32_t a : triAttr) maxAttr = std::max(maxAttr, a);
    std::vector<std::uint32_t> start(triAttr.empty() ? 1 : std::size_t(maxAttr) + 2, 0);
    for (std::uint32_t a : triAttr) ++start[a + 1];
    for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    g.indices.resize(tris.size());
    g.faceAttributes.resize(triAttr.size());
    for (std::size_t t = 0; t < triAttr.size(); ++t) {
        const std::uint32_t to = start[triAttr[t]]++;
        g.faceAttributes[to] = triAttr[t];
        std::copy(tris.begin() + std::ptrdiff_t(t) * 3, tris.begin() + std::ptrdiff_t(t) * 3 + 3,
                  g.indices.begin() + std::ptrdiff_t(to) * 3);
    }
    rebuild_attribute_table(g);
    return kOk;
}

HResult clone(const MeshGeometry& source, std::uint32_t fvf, std::uint32_t options, MeshGeometry* out) {
    VertexLayout to;
    if (!vertex_layout(fvf, &to)) return kFail;
    const VertexLayout& from = source.layout;
    MeshGeometry& g = *out;
    g.release_buffers();
    g.options = options;
    g.layout = to;
    g.indices = source.indices;
    g.faceAttributes = source.faceAttributes;
    g.attributeTable = source.attributeTable;
    g.pointReps = source.pointReps;
    const std::uint32_t count = source.vertex_count();
    g.vertices.assign(std::size_t(count) * to.slots, 0.0f);
    for (std::uint32_t v = 0; v < count; ++v) {
        const float* s = source.vertex(v);
        float* d = g.vertex(v);
        std::copy(s, s + 3, d);
        for (std::uint32_t w = 0; w < std::min(to.weightCount, from.weightCount); ++w)
            d[to.weights + int(w)] = s[from.weights + int(w)];
        if (to.normal >= 0 && from.normal >= 0) std::copy(s + from.normal, s + from.normal + 3, d + to.normal);
        if (to.diffuse >= 0) {
            if (from.diffuse >= 0) {
                std::memcpy(d + to.diffuse, s + from.diffuse, 4);
            } else {
                put_color(d + to.diffuse, kWhite);
            }
        }
        if (to.texcoord >= 0 && from.texcoord >= 0)
            std::copy(s + from.texcoord, s + from.texcoord + 2, d + to.texcoord);
    }
    return kOk;
}

}  // namespace

HResult build_mesh_geometry(const XMesh& mesh, MeshGeometry* out) {
    try {
        return build(mesh, out);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

HResult clone_mesh_fvf(const MeshGeometry& source, std::uint32_t fvf, std::uint32_t options, MeshGeometry* out) {
    try {
        return clone(source, fvf, options, out);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

void compute_normals(MeshGeometry& mesh) {
    const int no = mesh.layout.normal;
    if (no < 0) return;
    const std::uint32_t count = mesh.vertex_count();
    for (std::uint32_t v = 0; v < count; ++v) std::fill(mesh.vertex(v) + no, mesh.vertex(v) + no + 3, 0.0f);
    const std::uint32_t faces = mesh.face_count();
    for (std::uint32_t f = 0; f < faces; ++f) {
        const std::uint32_t* idx = mesh.indices.data() + std::size_t(f) * 3;
        const Vec3 p[3] = {mesh.position(idx[0]), mesh.position(idx[1]), mesh.position(idx[2])};
        const Vec3 n = vec3_normalize(vec3_cross(vec3_subtract(p[1], p[0]), vec3_subtract(p[2], p[0])));
        if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) continue;
        for (int k = 0; k < 3; ++k) {
            const Vec3 a = vec3_normalize(vec3_subtract(p[(k + 1) % 3], p[k]));
            const Vec3 b = vec3_normalize(vec3_subtract(p[(k + 2) % 3], p[k]));
            const float d = std::max(-1.0f, std::min(1.0f, vec3_dot(a, b)));
            const float angle = std::acos(d);
            float* dst = mesh.vertex(idx[k]) + no;
            dst[0] += n.x * angle;
            dst[1] += n.y * angle;
            dst[2] += n.z * angle;
        }
    }
    for (std::uint32_t v = 0; v < count; ++v) {
        float* dst = mesh.vertex(v) + no;
        const Vec3 n = vec3_normalize({dst[0], dst[1], dst[2]});
        dst[0] = n.x;
        dst[1] = n.y;
        dst[2] = n.z;
    }
}

std::vector<std::uint32_t> generate_adjacency(const MeshGeometry& mesh) {
    const std::uint32_t faces = mesh.face_count();
    std::vector<std::uint32_t> adjacency(std::size_t(faces) * 3, kNone);
    std::vector<std::uint32_t> low, high, slot;
    low.reserve(std::size_t(faces) * 3);
    high.reserve(std::size_t(faces) * 3);
    slot.reserve(std::size_t(faces) * 3);
    for (std::uint32_t f = 0; f < faces; ++f) {
        for (std::uint32_t k = 0; k < 3; ++k) {
            std::uint32_t a = mesh.pointReps[mesh.indices[std::size_t(f) * 3 + k]];
            std::uint32_t b = mesh.pointReps[mesh.indices[std::size_t(f) * 3 + (k + 1) % 3]];
            if (a == b) continue;
            if (a > b) std::swap(a, b);
            low.push_back(a);
            high.push_back(b);
            slot.push_back(f * 3 + k);  // face * 3 + edge
        }
    }
    const std::vector<std::uint32_t> order = order_by_pair(low, high);
    // Two faces on an edge are neighbours; a third and later face on it stays open.
    auto same = [&](std::uint32_t i, std::uint32_t j) { return low[i] == low[j] && high[i] == high[j]; };
    for (std::size_t i = 0; i + 1 < order.size();) {
        std::size_t j = i + 1;
        while (j < order.size() && same(order[i], order[j])) ++j;
        const std::uint32_t first = slot[order[i]], second = slot[order[i + 1]];
        if (j - i >= 2 && first / 3 != second / 3) {
            adjacency[first] = second / 3;
            adjacency[second] = first / 3;
        }
        i = j;
    }
    return adjacency;
}

bool compute_bounding_sphere(const MeshGeometry& mesh, Vec3* center, float* radius) {
    const std::uint32_t count = mesh.vertex_count();
    if (count == 0) return false;
    double sx = 0, sy = 0, sz = 0;
    for (std::uint32_t v = 0; v < count; ++v) {
        const Vec3 p = mesh.position(v);
        sx += p.x;
        sy += p.y;
        sz += p.z;
    }
    const Vec3 c{float(sx / count), float(sy / count), float(sz / count)};
    float r = 0.0f;
    for (std::uint32_t v = 0; v < count; ++v) r = std::max(r, vec3_length(vec3_subtract(mesh.position(v), c)));
    *center = c;
    *radius = r;
    return true;
}

}  // namespace brine
