// The program's stand-in for a D3DX mesh: a triangle list in one vertex format (FVF), faces
// sorted by attribute id into an attribute table, and the device buffers it is drawn from.
// Geometry is built once at load (from an X-file mesh, by cloning or by the blended-mesh
// conversion); drawing a subset only binds the buffers and draws. Must not depend on any
// platform header: the device is reached only through device/graphics_device.h.
#pragma once
#include <cstdint>
#include <vector>

#include "base/result.h"
#include "fish/xfile_reader.h"
#include "device/d3d_types.h"

namespace brine {

class GraphicsDevice;
class IndexBuffer;
class VertexBuffer;

// D3DXMESH options the program passes around; kept as flags only (no pools to choose here).
enum MeshOptions : std::uint32_t {
    kMeshManaged = 0x220,
    kMeshSoftwareProcessing = 0x18000,
    kMeshOptVertexCache = 0x4000000,
};

// One subset: the faces (and the span of vertices they use) that share an attribute id.
struct AttributeRange {
    std::uint32_t attribId, faceStart, faceCount, vertexStart, vertexCount;
};

// Where the parts of a vertex sit, counted in 4-byte slots from its start; -1 when absent.
// Only the formats the program makes are described: XYZ or XYZB1..3, NORMAL, DIFFUSE, TEX1.
struct VertexLayout {
    std::uint32_t fvf = 0;
    std::uint32_t slots = 0;  // stride / 4
    std::uint32_t weightCount = 0;
    int weights = -1, normal = -1, diffuse = -1, texcoord = -1;
};
// False for formats outside that set (the layout is then left empty).
bool vertex_layout(std::uint32_t fvf, VertexLayout* out);

class MeshGeometry {
public:
    MeshGeometry() = default;
    ~MeshGeometry() { release_buffers(); }
    MeshGeometry(const MeshGeometry&) = delete;
    MeshGeometry& operator=(const MeshGeometry&) = delete;

    std::uint32_t fvf() const { return layout.fvf; }
    std::uint32_t stride() const { return layout.slots * 4; }
    std::uint32_t vertex_count() const { return layout.slots ? std::uint32_t(vertices.size() / layout.slots) : 0; }
    std::uint32_t face_count() const { return std::uint32_t(indices.size() / 3); }

    const float* vertex(std::uint32_t v) const { return vertices.data() + std::size_t(v) * layout.slots; }
    float* vertex(std::uint32_t v) { return vertices.data() + std::size_t(v) * layout.slots; }
    Vec3 position(std::uint32_t v) const {
        const float* p = vertex(v);
        return {p[0], p[1], p[2]};
    }

    // Device buffers of the current vertex and index data (16-bit indices when they fit).
    // Called once when the mesh becomes drawable; any earlier buffers are released first.
    // The device's code on failure, kOutOfMemory, or kFail for a mesh without faces.
    HResult upload(GraphicsDevice& device);
    void release_buffers();
    bool uploaded() const { return vertexBuffer != nullptr && indexBuffer != nullptr; }

    // DrawSubset: the faces of the attribute-table entry with this id, as one indexed draw
    // (set_fvf, set_stream_source, set_indices, draw_indexed_primitive). An id without faces
    // draws nothing and succeeds; a mesh that was never uploaded fails. Allocates nothing.
    HResult draw_subset(GraphicsDevice& device, std::uint32_t attribId) const;

    std::uint32_t options = kMeshManaged;
    VertexLayout layout;
    std::vector<float> vertices;              // layout.slots per vertex (DIFFUSE holds colour bits)
    std::vector<std::uint32_t> indices;       // three per face, faces sorted by attribute
    std::vector<std::uint32_t> faceAttributes;  // one per face
    std::vector<AttributeRange> attributeTable;
    std::vector<std::uint32_t> pointReps;     // per vertex: the file position it was made from

    VertexBuffer* vertexBuffer = nullptr;
    IndexBuffer* indexBuffer = nullptr;
    bool index32 = false;

private:
    HResult upload_buffers(GraphicsDevice& device);
};

// The loaded form of one X-file mesh: polygons split into fans, every (position, normal)
// pair of a corner made one vertex (positions alone when the file has no normals), texture
// coordinates and vertex colours carried along, faces sorted by material. The vertex format
// is XYZ, plus NORMAL, DIFFUSE and TEX1 when the file has them. A mesh without a single
// triangle comes back without faces (the loader makes no container of it). kOutOfMemory when
// allocation fails.
HResult build_mesh_geometry(const XMesh& mesh, MeshGeometry* out);

// CloneMeshFVF: the same faces and vertices in another of the formats above; parts the source
// lacks are zero (white for a colour). kFail for a format outside that set, kOutOfMemory.
HResult clone_mesh_fvf(const MeshGeometry& source, std::uint32_t fvf, std::uint32_t options, MeshGeometry* out);

// D3DXComputeNormals without adjacency: each face's normal, weighted by the angle of the
// corner, summed into the corner's vertex and normalised. A vertex on degenerate faces only
// gets a zero normal.
void compute_normals(MeshGeometry& mesh);

// Three neighbouring faces per face (0xFFFFFFFF for an open edge): faces sharing an edge
// between the same two file positions. Throws std::bad_alloc when memory runs out.
std::vector<std::uint32_t> generate_adjacency(const MeshGeometry& mesh);

// Centre of the vertices and the largest distance from it (D3DXComputeBoundingSphere);
// false for a mesh without vertices.
bool compute_bounding_sphere(const MeshGeometry& mesh, Vec3* center, float* radius);

// The indices 0..n-1 ordered by (major[i], minor[i]), equal pairs in index order: two stable
// counting sorts, linear in n and in the largest keys (which callers bound by array sizes).
// Throws std::bad_alloc when memory runs out.
std::vector<std::uint32_t> order_by_pair(const std::vector<std::uint32_t>& major,
                                         const std::vector<std::uint32_t>& minor);

// Rebuilds the attribute table from faceAttributes (faces must already be sorted by it).
void rebuild_attribute_table(MeshGeometry& mesh);

}  // namespace brine
