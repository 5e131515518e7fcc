// Skin information from X-file skin weights, and the conversion into bone-combination groups.
#include "fish/skin_info.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <new>

namespace brine {

namespace {

constexpr std::size_t kNone = ~std::size_t(0);

Matrix to_matrix(const XMatrix& x) {
    Matrix m;
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = x.m[i];
    return m;
}

struct Influence {
    std::uint32_t bone;
    float weight;
};

std::uint32_t count_bits(std::uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return std::uint32_t((x * 0x0101010101010101ull) >> 56);
}

// Bones sorted by id; count <= kMaxFaceInfluences. Bones below 64 are also kept as a bit mask,
// which makes the fit test of the grouping a few instructions.
struct Palette {
    std::uint32_t bone[kMaxFaceInfluences];
    std::uint32_t count = 0;
    std::uint64_t mask = 0;
    bool wide = false;  // a bone of 64 or more: the mask is incomplete

    bool operator==(const Palette& o) const {
        return count == o.count && std::equal(bone, bone + count, o.bone);
    }
    bool contains(std::uint32_t b) const { return std::find(bone, bone + count, b) != bone + count; }
    // Size of the union with another palette.
    std::uint32_t union_size(const Palette& o) const {
        if (!wide && !o.wide) return count_bits(mask | o.mask);
        std::uint32_t n = count;
        for (std::uint32_t i = 0; i < o.count; ++i)
            if (!contains(o.bone[i])) ++n;
        return n;
    }
    void add(std::uint32_t b) {
        bone[count++] = b;
        if (b < 64) {
            mask |= std::uint64_t(1) << b;
        } else {
            wide = true;
        }
    }
    void merge(const Palette& o) {
        if (!wide && !o.wide && (mask | o.mask) == mask) return;  // nothing new
        for (std::uint32_t i = 0; i < o.count; ++i)
            if (!contains(o.bone[i])) add(o.bone[i]);
        std::sort(bone, bone + count);
    }
};

bool heavier(const Influence& a, const Influence& b) {
    return a.weight != b.weight ? a.weight > b.weight : a.bone < b.bone;
}

struct Group {
    std::uint32_t attrib;
    bool unbound;
    Palette palette;
    std::uint32_t paletteId;
    std::uint32_t faceCount;
};

// How many of a material's latest groups a face may join.
constexpr std::size_t kGroupSearch = 64;

HResult convert(const SkinInfo& skin, const MeshGeometry& source, std::uint32_t options, BlendedMesh* out) {
    const std::uint32_t vcount = source.vertex_count();
    const std::uint32_t fcount = source.face_count();
    if (skin.vertexCount != vcount || fcount == 0) return kFail;
    if (source.faceAttributes.size() != fcount) return kFail;

    // Every vertex's influences, merged per bone, heaviest four kept.
    auto usable = [vcount](const SkinBone& b, std::size_t k) {
        return b.vertices[k] < vcount && std::isfinite(b.weights[k]) && b.weights[k] > 0.0f;
    };
    std::vector<std::uint32_t> start(std::size_t(vcount) + 1, 0);
    for (const SkinBone& b : skin.bones)
        for (std::size_t k = 0; k < b.vertices.size() && k < b.weights.size(); ++k)
            if (usable(b, k)) ++start[b.vertices[k] + 1];
    for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    std::vector<Influence> all(start[vcount]);
    {
        std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
        for (std::uint32_t bi = 0; bi < skin.bones.size(); ++bi) {
            const SkinBone& b = skin.bones[bi];
            for (std::size_t k = 0; k < b.vertices.size() && k < b.weights.size(); ++k)
                if (usable(b, k)) all[fill[b.vertices[k]]++] = {bi, b.weights[k]};
        }
    }
    std::vector<Influence> vertexInf(std::size_t(vcount) * kMaxFaceInfluences);
    std::vector<std::uint8_t> vertexInfCount(vcount, 0);
    for (std::uint32_t v = 0; v < vcount; ++v) {
        Influence* first = all.data() + start[v];
        Influence* last = all.data() + start[v + 1];
        std::sort(first, last, [](const Influence& a, const Influence& b) { return a.bone < b.bone; });
        Influence* end = first;  // one entry per bone, weights of repeated bones summed
        for (Influence* it = first; it != last; ++it) {
            if (end != first && (end - 1)->bone == it->bone) {
                (end - 1)->weight += it->weight;
            } else {
                *end++ = *it;
            }
        }
        std::sort(first, end, heavier);
        const std::uint32_t keep = std::min<std::uint32_t>(std::uint32_t(end - first), kMaxFaceInfluences);
        std::copy(first, first + keep, vertexInf.begin() + std::ptrdiff_t(v) * kMaxFaceInfluences);
        vertexInfCount[v] = std::uint8_t(keep);
    }
    all.clear();
    all.shrink_to_fit();

    // Each face's palette.
    std::vector<Palette> facePalette(fcount);
    std::uint32_t maxInfluences = 0;
    for (std::uint32_t f = 0; f < fcount; ++f) {
        Influence sum[3 * kMaxFaceInfluences];
        std::uint32_t n = 0;
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t v = source.indices[std::size_t(f) * 3 + k];
            for (std::uint32_t i = 0; i < vertexInfCount[v]; ++i) {
                const Influence& in = vertexInf[std::size_t(v) * kMaxFaceInfluences + i];
                std::uint32_t j = 0;
                while (j < n && sum[j].bone != in.bone) ++j;
                if (j == n) sum[n++] = {in.bone, 0.0f};
                sum[j].weight += in.weight;
            }
        }
        if (n > kMaxFaceInfluences) {
            std::sort(sum, sum + n, heavier);
            n = kMaxFaceInfluences;
        }
        Palette& p = facePalette[f];
        for (std::uint32_t i = 0; i < n; ++i) p.add(sum[i].bone);
        std::sort(p.bone, p.bone + n);
        maxInfluences = std::max(maxInfluences, n);
    }
    const std::uint32_t maxFaceInfl = std::max<std::uint32_t>(1, maxInfluences);

    // Groups: first fit within each material, materials in face order. Only the material's
    // latest groups are tried, so a hostile file cannot make the search quadratic; a fish's
    // mesh never has that many.
    std::vector<Group> groups;
    std::vector<std::uint32_t> faceGroup(fcount);
    std::size_t materialFirstGroup = 0;
    std::size_t unboundGroup = kNone;
    for (std::uint32_t f = 0; f < fcount; ++f) {
        const std::uint32_t attrib = source.faceAttributes[f];
        if (f == 0 || attrib != source.faceAttributes[f - 1]) {
            materialFirstGroup = groups.size();
            unboundGroup = kNone;
        }
        const Palette& p = facePalette[f];
        std::size_t target = kNone;
        if (p.count == 0) {
            target = unboundGroup;
        } else {
            const std::size_t from = std::max(materialFirstGroup, groups.size() - std::min(groups.size(), kGroupSearch));
            for (std::size_t g = from; g < groups.size() && target == kNone; ++g)
                if (!groups[g].unbound && groups[g].palette.union_size(p) <= maxFaceInfl) target = g;
        }
        if (target == kNone) {
            target = groups.size();
            groups.push_back(Group{attrib, p.count == 0, Palette{}, 0, 0});
            if (p.count == 0) unboundGroup = target;
        }
        groups[target].palette.merge(p);
        ++groups[target].faceCount;
        faceGroup[f] = std::uint32_t(target);
    }
    if (groups.size() > 0xFFFFFFFEu) return kFail;

    // Groups with the same bone list share vertex copies.
    std::vector<Palette> palettes;
    {
        std::map<std::array<std::uint32_t, kMaxFaceInfluences + 1>, std::uint32_t> ids;
        for (Group& g : groups) {
            std::array<std::uint32_t, kMaxFaceInfluences + 1> key{};
            key[0] = g.palette.count;
            std::copy(g.palette.bone, g.palette.bone + g.palette.count, key.begin() + 1);
            auto found = ids.emplace(key, std::uint32_t(palettes.size()));
            if (found.second) palettes.push_back(g.palette);
            g.paletteId = found.first->second;
        }
    }

    // Faces in group order.
    std::vector<std::uint32_t> groupStart(groups.size() + 1, 0);
    for (std::size_t g = 0; g < groups.size(); ++g) groupStart[g + 1] = groupStart[g] + groups[g].faceCount;
    std::vector<std::uint32_t> order(fcount);
    {
        std::vector<std::uint32_t> fill(groupStart.begin(), groupStart.end() - 1);
        for (std::uint32_t f = 0; f < fcount; ++f) order[fill[faceGroup[f]]++] = f;
    }

    // One vertex per (bone list, source vertex) in use, ordered by bone list, so the vertices
    // of a group lie together. Sorting keeps this linear however the faces share them.
    std::vector<std::uint32_t> cornerPalette(std::size_t(fcount) * 3), cornerSource(std::size_t(fcount) * 3);
    for (std::uint32_t i = 0; i < fcount; ++i) {
        const std::uint32_t f = order[i];
        for (int k = 0; k < 3; ++k) {
            cornerPalette[std::size_t(i) * 3 + k] = groups[faceGroup[f]].paletteId;
            cornerSource[std::size_t(i) * 3 + k] = source.indices[std::size_t(f) * 3 + k];
        }
    }
    const std::vector<std::uint32_t> cornerOrder = order_by_pair(cornerPalette, cornerSource);
    std::vector<std::uint32_t> cornerVertex(cornerOrder.size());
    std::vector<std::uint32_t> copyOf, copyPalette;  // per new vertex: its source and bone list
    for (std::size_t i = 0; i < cornerOrder.size(); ++i) {
        const std::uint32_t c = cornerOrder[i];
        if (i == 0 || cornerPalette[c] != cornerPalette[cornerOrder[i - 1]] ||
            cornerSource[c] != cornerSource[cornerOrder[i - 1]]) {
            copyOf.push_back(cornerSource[c]);
            copyPalette.push_back(cornerPalette[c]);
        }
        cornerVertex[c] = std::uint32_t(copyOf.size() - 1);
    }

    auto mesh = std::make_unique<MeshGeometry>();
    auto table = std::make_unique<BoneCombinationTable>();
    const std::uint32_t weightCount = maxFaceInfl - 1;
    static constexpr std::uint32_t kPositionByWeights[] = {kFvfXyz, kFvfXyzB1, kFvfXyzB2, kFvfXyzB3};
    const std::uint32_t fvf = kPositionByWeights[weightCount] | (source.fvf() & (kFvfNormal | kFvfDiffuse | kFvfTex1));
    if (!vertex_layout(fvf, &mesh->layout)) return kFail;
    mesh->options = options;
    const VertexLayout& to = mesh->layout;
    const VertexLayout& from = source.layout;

    mesh->vertices.assign(copyOf.size() * to.slots, 0.0f);
    mesh->pointReps.resize(copyOf.size());
    for (std::size_t i = 0; i < copyOf.size(); ++i) {
        const std::uint32_t v = copyOf[i];
        const Palette& palette = palettes[copyPalette[i]];
        mesh->pointReps[i] = source.pointReps[v];
        float* d = mesh->vertex(std::uint32_t(i));
        const float* s = source.vertex(v);
        std::copy(s, s + 3, d);
        float slotWeight[kMaxFaceInfluences] = {};
        float total = 0.0f;
        for (std::uint32_t j = 0; j < vertexInfCount[v]; ++j) {
            const Influence& in = vertexInf[std::size_t(v) * kMaxFaceInfluences + j];
            for (std::uint32_t slot = 0; slot < palette.count; ++slot) {
                if (palette.bone[slot] == in.bone) {
                    slotWeight[slot] = in.weight;
                    total += in.weight;
                }
            }
        }
        // Only the weights before the list's last bone are stored; that one takes what is
        // left, so the stored ones must already be normalised.
        const std::uint32_t stored = palette.count ? palette.count - 1 : 0;
        for (std::uint32_t slot = 0; slot < stored && slot < weightCount; ++slot)
            d[to.weights + int(slot)] = total > 0.0f ? slotWeight[slot] / total : 0.0f;
        if (to.normal >= 0) std::copy(s + from.normal, s + from.normal + 3, d + to.normal);
        if (to.diffuse >= 0) std::memcpy(d + to.diffuse, s + from.diffuse, 4);
        if (to.texcoord >= 0) std::copy(s + from.texcoord, s + from.texcoord + 2, d + to.texcoord);
    }
    mesh->indices = std::move(cornerVertex);
    mesh->faceAttributes.resize(fcount);
    for (std::uint32_t i = 0; i < fcount; ++i) mesh->faceAttributes[i] = faceGroup[order[i]];
    rebuild_attribute_table(*mesh);

    table->boneIds.assign(groups.size() * maxFaceInfl, kNoBone);
    table->groups.resize(groups.size());
    for (std::uint32_t gi = 0; gi < groups.size(); ++gi) {
        const AttributeRange& r = mesh->attributeTable[gi];
        std::uint32_t* ids = table->boneIds.data() + std::size_t(gi) * maxFaceInfl;
        std::copy(groups[gi].palette.bone, groups[gi].palette.bone + groups[gi].palette.count, ids);
        table->groups[gi] = {groups[gi].attrib, r.faceStart, r.faceCount, r.vertexStart, r.vertexCount, ids};
    }

    out->mesh = std::move(mesh);
    out->table = std::move(table);
    out->maxFaceInfluences = maxFaceInfl;
    out->groupCount = std::uint32_t(groups.size());
    return kOk;
}

}  // namespace

HResult build_skin_info(const XMesh& x, const MeshGeometry& geometry, SkinInfo* out) {
    try {
        const std::uint32_t vcount = geometry.vertex_count();
        // Vertices made from each file position.
        const std::size_t positions = x.positions.size();
        std::vector<std::uint32_t> start(positions + 1, 0);
        for (std::uint32_t p : geometry.pointReps)
            if (p < positions) ++start[p + 1];
        for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
        std::vector<std::uint32_t> made(start[positions]);
        {
            std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
            for (std::uint32_t v = 0; v < vcount; ++v)
                if (geometry.pointReps[v] < positions) made[fill[geometry.pointReps[v]]++] = v;
        }
        out->vertexCount = vcount;
        out->bones.clear();
        out->bones.resize(x.bones.size());
        for (std::size_t b = 0; b < x.bones.size(); ++b) {
            const XBone& from = x.bones[b];
            SkinBone& to = out->bones[b];
            to.name = from.frameName;
            to.offset = to_matrix(from.offset);
            for (std::size_t k = 0; k < from.vertices.size() && k < from.weights.size(); ++k) {
                const std::uint32_t p = from.vertices[k];
                const float w = from.weights[k];
                if (p >= positions || !std::isfinite(w) || !(w > 0.0f)) continue;
                for (std::uint32_t i = start[p]; i < start[p + 1]; ++i) {
                    to.vertices.push_back(made[i]);
                    to.weights.push_back(w);
                }
            }
        }
        return kOk;
    } catch (const std::bad_alloc&) {
        out->bones.clear();
        return kOutOfMemory;
    }
}

HResult convert_to_blended_mesh(const SkinInfo& skin, const MeshGeometry& source, std::uint32_t options,
                                BlendedMesh* out) {
    try {
        return convert(skin, source, options, out);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

std::uint32_t last_bone_slot(const BoneCombination& group, std::uint32_t maxFaceInfluences) {
    std::uint32_t last = 0;
    for (std::uint32_t k = 0; k < maxFaceInfluences; ++k)
        if (group.boneId[k] != kNoBone) last = k;
    return last;
}

std::uint32_t find_software_split(const BoneCombinationTable& table, std::uint32_t maxFaceInfluences,
                                  std::uint32_t maxVertexBlendMatrices) {
    for (std::uint32_t g = 0; g < table.groups.size(); ++g)
        if (last_bone_slot(table.groups[g], maxFaceInfluences) + 1 > maxVertexBlendMatrices) return g;
    return std::uint32_t(table.groups.size());
}

}  // namespace brine
