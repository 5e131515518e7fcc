// Checks what fishgen ships: same bytes on every run, catalogs and motion scripts the program
// can read, well-formed X text whose counts, skin weights, textures and animation keys agree,
// shader and effect texts, the food texture and the wallpaper.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "base/sjis.h"
#include "data/pack_format.h"
#include "tests/support/scratch_dir.h"
#include "tests/unit/tools/x_text_reader.h"
#include "tools/fishgen/content.h"
#include "tools/fishgen/effect_binary.h"
#include "tools/fishgen/gen_image.h"
#include "tools/fishgen/gen_math.h"
#include "tools/fishgen/x_writer.h"

namespace brine {
namespace {

using fishgen::Content;
using fishgen::ContentPack;

const Content& content() {
    static const Content c = fishgen::build_content();
    return c;
}

const std::vector<ContentPack>& fish_pack_list() {
    static const std::vector<ContentPack> packs = fishgen::build_fish_packs();
    return packs;
}

const ContentPack* find_pack(const std::string& path) {
    for (const auto& p : fish_pack_list())
        if (p.path == path) return &p;
    return nullptr;
}

const PackMember* find_member(const ContentPack& pack, const std::string& name) {
    for (const auto& m : pack.members)
        if (m.name == name) return &m;
    return nullptr;
}

std::vector<unsigned char> read_all(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::vector<unsigned char> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::string text_of(const PackMember& m) { return std::string(m.data.begin(), m.data.end()); }

std::vector<const ContentPack*> fish_packs() {
    return {find_pack("object/fish1.pak"), find_pack("object/fish2.pak"), find_pack("extensions/tancho.exd")};
}

// The catalog as the program reads it: a count line, then model, kind name, fish name, hours.
struct CatalogRow {
    std::string model, kindName, fishName;
    long hours = -1;
};

bool read_catalog(const std::string& text, std::vector<CatalogRow>* rows, std::string* why) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t cr = text.find("\r\n", start);
        if (cr == std::string::npos) return *why = "last line has no CR LF", false;
        lines.push_back(text.substr(start, cr - start));
        start = cr + 2;
    }
    if (lines.empty()) return *why = "empty", false;
    for (const auto& l : lines)
        if (l.find('\r') != std::string::npos || l.find('\n') != std::string::npos) return *why = "stray CR or LF", false;
    char* end = nullptr;
    long count = std::strtol(lines[0].c_str(), &end, 10);
    if (*end != '\0' || count != static_cast<long>(lines.size()) - 1) return *why = "count does not match", false;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> fields;
        const std::string& l = lines[i];
        // Shift-JIS aware split: a trail byte is never a delimiter.
        std::string field;
        for (size_t k = 0; k < l.size(); ++k) {
            unsigned char c = static_cast<unsigned char>(l[k]);
            if (is_sjis_lead(c)) {
                if (k + 1 >= l.size()) return *why = "cut double-byte character", false;
                field += l[k];
                field += l[++k];
            } else if (c == ',') {
                fields.push_back(field);
                field.clear();
            } else {
                field += l[k];
            }
        }
        fields.push_back(field);
        if (fields.size() != 4) return *why = "line " + std::to_string(i) + " has " + std::to_string(fields.size()) + " fields", false;
        CatalogRow row{fields[0], fields[1], fields[2], std::strtol(fields[3].c_str(), &end, 10)};
        if (*end != '\0' || fields[3].empty()) return *why = "hours are not a number", false;
        rows->push_back(row);
    }
    return true;
}

// Motion script statements in the program's syntax: Key(args) with "//" comment lines, up to End().
struct Statement {
    std::string key;
    std::vector<std::string> args;
};

bool read_statements(const std::string& text, std::vector<Statement>* out, std::string* why) {
    static const std::set<std::string> keys = {"FPS",        "MotionNum",   "Scale",       "Wait",   "SlowSpeed",
                                               "SlowRotateH", "SlowRotateV", "FastSpeed",   "FastRotateH",
                                               "FastRotateV", "Gravity",     "TrackRecord", "End"};
    size_t p = 0;
    while (true) {
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '\r' || text[p] == '\n')) ++p;
        if (p >= text.size()) return *why = "no End()", false;
        if (text.compare(p, 2, "//") == 0) {
            size_t cr = text.find('\r', p);
            size_t lf = text.find('\n', p);
            if (cr == std::string::npos || lf < cr) return *why = "comment not ended by CR", false;
            p = cr;
            continue;
        }
        size_t open = text.find('(', p);
        if (open == std::string::npos) return *why = "statement without (", false;
        std::string key = text.substr(p, open - p);
        if (!keys.count(key)) return *why = "unknown key '" + key + "'", false;
        size_t close = text.find(')', open);
        if (close == std::string::npos) return *why = "statement without )", false;
        Statement st{key, {}};
        std::string inside = text.substr(open + 1, close - open - 1);
        size_t a = 0;
        while (!inside.empty() && a <= inside.size()) {
            size_t comma = inside.find(',', a);
            std::string arg = inside.substr(a, comma == std::string::npos ? std::string::npos : comma - a);
            size_t b = arg.find_first_not_of(" \t"), e = arg.find_last_not_of(" \t");
            st.args.push_back(b == std::string::npos ? "" : arg.substr(b, e - b + 1));
            if (comma == std::string::npos) break;
            a = comma + 1;
        }
        out->push_back(st);
        p = close + 1;
        if (key == "End") return st.args.empty() ? true : (*why = "End() takes nothing", false);
    }
}

// The reader takes a number only when it starts with '-' or a digit.
bool number_arg(const std::string& s, double* v) {
    if (s.empty() || !(s[0] == '-' || (s[0] >= '0' && s[0] <= '9'))) return false;
    char* end = nullptr;
    *v = std::strtod(s.c_str(), &end);
    return *end == '\0';
}

void check_two_runs_give_the_same_bytes() {
    Content again = fishgen::build_content();
    const Content& first = content();
    ASSERT_EQ(again.packs.size(), first.packs.size());
    for (size_t i = 0; i < first.packs.size(); ++i) {
        std::vector<unsigned char> a, b;
        ASSERT_EQ(build_pack(first.packs[i].members, &a, nullptr), kOk);
        ASSERT_EQ(build_pack(again.packs[i].members, &b, nullptr), kOk);
        EXPECT_EQ(first.packs[i].path, again.packs[i].path);
        EXPECT_TRUE(a == b) << first.packs[i].path;
    }
    ASSERT_EQ(again.files.size(), first.files.size());
    for (size_t i = 0; i < first.files.size(); ++i) EXPECT_TRUE(first.files[i].bytes == again.files[i].bytes);
}

void check_member_names() {
    std::vector<ContentPack> packs = fish_pack_list();
    packs.push_back(fishgen::build_texture_pack());
    packs.push_back(fishgen::build_initialize_pack());
    for (const char* path : {"object/fish1.pak", "object/fish2.pak", "extensions/tancho.exd", "texture.pak", "initialize.pak"}) {
        const ContentPack* pack = nullptr;
        for (const auto& p : packs)
            if (p.path == path) pack = &p;
        ASSERT_NE(pack, nullptr) << path;
        std::string why;
        EXPECT_TRUE(validate_pack_members(pack->members, &why)) << path << ": " << why;
        for (const auto& m : pack->members) EXPECT_LE(m.name.size(), kPackMaxNameLength) << m.name;
    }
    // Textures are shared between packs by name in the program, so one name is one picture.
    std::map<std::string, std::vector<unsigned char>> byName;
    for (const auto* pack : fish_packs())
        for (const auto& m : pack->members) {
            auto it = byName.find(m.name);
            if (it != byName.end() && m.name.size() > 4 && m.name.compare(m.name.size() - 4, 4, ".dds") == 0) {
                EXPECT_TRUE(it->second == m.data) << m.name << " differs between packs";
            }
            byName[m.name] = m.data;
        }
}

void check_catalogs() {
    struct Expect {
        const char* path;
        std::vector<long> hours;
    };
    std::set<std::string> kindNames, fishNames, models;
    for (const Expect& e : {Expect{"object/fish1.pak", {0, 0, 0}}, Expect{"object/fish2.pak", {0, 2}},
                            Expect{"extensions/tancho.exd", {0}}}) {
        const ContentPack* pack = find_pack(e.path);
        ASSERT_NE(pack, nullptr);
        ASSERT_FALSE(pack->members.empty());
        EXPECT_EQ(pack->members[0].name, "header.bin");
        const PackMember* header = find_member(*pack, "header.bin");
        ASSERT_NE(header, nullptr);
        std::vector<CatalogRow> rows;
        std::string why;
        ASSERT_TRUE(read_catalog(text_of(*header), &rows, &why)) << e.path << ": " << why;
        ASSERT_EQ(rows.size(), e.hours.size()) << e.path;
        for (size_t i = 0; i < rows.size(); ++i) {
            const CatalogRow& r = rows[i];
            EXPECT_EQ(r.hours, e.hours[i]);
            EXPECT_NE(find_member(*pack, r.model + ".x"), nullptr) << r.model;
            EXPECT_NE(find_member(*pack, r.model + ".mrc"), nullptr) << r.model;
            EXPECT_FALSE(r.kindName.empty());
            EXPECT_GE(r.fishName.size(), 1u);
            EXPECT_LE(r.fishName.size(), 24u);  // a fish name holds at most 24 bytes
            // Japanese names: double-byte Shift-JIS text.
            EXPECT_TRUE(is_sjis_lead(static_cast<unsigned char>(r.kindName[0]))) << r.model;
            EXPECT_TRUE(is_sjis_lead(static_cast<unsigned char>(r.fishName[0]))) << r.model;
            EXPECT_TRUE(kindNames.insert(r.kindName).second) << "kind name repeated: " << r.model;
            EXPECT_TRUE(fishNames.insert(r.fishName).second) << "fish name repeated: " << r.model;
            EXPECT_TRUE(models.insert(r.model).second) << "model repeated: " << r.model;
        }
    }
    EXPECT_GE(models.size(), 6u);
}

// Everything one kind ships, read back from its pack.
struct KindFiles {
    const ContentPack* pack;
    std::string model;
    std::vector<test::XObject> x;
    std::vector<Statement> script;
};

std::vector<KindFiles> all_kind_files() {
    std::vector<KindFiles> out;
    for (const auto* pack : fish_packs()) {
        std::vector<CatalogRow> rows;
        std::string why;
        if (!read_catalog(text_of(*find_member(*pack, "header.bin")), &rows, &why)) continue;
        for (const auto& r : rows) {
            KindFiles k{pack, r.model, {}, {}};
            test::XTextReader reader;
            const PackMember* x = find_member(*pack, r.model + ".x");
            const PackMember* mrc = find_member(*pack, r.model + ".mrc");
            if (x) reader.parse(text_of(*x), &k.x, &why);
            if (mrc) read_statements(text_of(*mrc), &k.script, &why);
            out.push_back(k);
        }
    }
    return out;
}

const std::vector<KindFiles>& kinds() {
    static const std::vector<KindFiles> k = all_kind_files();
    return k;
}

const test::XObject* find_top(const KindFiles& k, const std::string& type) {
    for (const auto& o : k.x)
        if (o.type == type) return &o;
    return nullptr;
}

void collect_frames(const test::XObject& o, std::map<std::string, const test::XObject*>* frames,
                    std::vector<const test::XObject*>* meshes) {
    if (o.type == "Frame") (*frames)[o.name] = &o;
    if (o.type == "Mesh") meshes->push_back(&o);
    for (const auto& c : o.children) collect_frames(c, frames, meshes);
}

void check_x_counts() {
    ASSERT_EQ(kinds().size(), 6u);
    for (const auto& k : kinds()) {
        SCOPED_TRACE(k.model);
        const PackMember* xm = find_member(*k.pack, k.model + ".x");
        ASSERT_NE(xm, nullptr);
        std::string text = text_of(*xm), why;
        int depth = 0;
        for (char c : text) {
            depth += c == '{' ? 1 : (c == '}' ? -1 : 0);
            ASSERT_GE(depth, 0);
        }
        EXPECT_EQ(depth, 0);
        std::vector<test::XObject> top;
        ASSERT_TRUE(test::XTextReader().parse(text, &top, &why)) << why;

        std::map<std::string, const test::XObject*> frames;
        std::vector<const test::XObject*> meshes;
        for (const auto& o : k.x) collect_frames(o, &frames, &meshes);
        ASSERT_EQ(meshes.size(), 1u);
        const test::XObject& mesh = *meshes[0];
        size_t nv = mesh.integer(0);
        EXPECT_GE(nv, 1500u);
        EXPECT_LE(nv, 8000u);
        size_t i = 1 + 3 * nv;
        size_t nf = mesh.integer(i++);
        for (size_t f = 0; f < nf; ++f) {
            ASSERT_EQ(mesh.integer(i), 3);
            for (int c = 1; c <= 3; ++c) ASSERT_LT(static_cast<size_t>(mesh.integer(i + c)), nv);
            i += 4;
        }
        EXPECT_EQ(i, mesh.values.size());

        const test::XObject* normals = mesh.child("MeshNormals");
        ASSERT_NE(normals, nullptr);
        ASSERT_EQ(static_cast<size_t>(normals->integer(0)), nv);
        for (size_t v = 0; v < nv; ++v) {
            double x = normals->number(1 + 3 * v), y = normals->number(2 + 3 * v), z = normals->number(3 + 3 * v);
            EXPECT_NEAR(std::sqrt(x * x + y * y + z * z), 1.0, 1e-4);
        }
        EXPECT_EQ(static_cast<size_t>(normals->integer(1 + 3 * nv)), nf);
        EXPECT_EQ(normals->values.size(), 2 + 3 * nv + 4 * nf);

        const test::XObject* uv = mesh.child("MeshTextureCoords");
        ASSERT_NE(uv, nullptr);
        ASSERT_EQ(static_cast<size_t>(uv->integer(0)), nv);
        EXPECT_EQ(uv->values.size(), 1 + 2 * nv);

        const test::XObject* materials = mesh.child("MeshMaterialList");
        ASSERT_NE(materials, nullptr);
        size_t nm = materials->integer(0);
        ASSERT_EQ(static_cast<size_t>(materials->integer(1)), nf);
        ASSERT_EQ(materials->values.size(), 2 + nf);
        for (size_t f = 0; f < nf; ++f) EXPECT_LT(static_cast<size_t>(materials->integer(2 + f)), nm);
        size_t listed = 0;
        for (const auto& m : materials->children) {
            if (m.type != "Material") continue;
            ++listed;
            EXPECT_EQ(m.values.size(), 11u);  // colour, power, specular, emissive
            const test::XObject* tex = m.child("TextureFilename");
            ASSERT_NE(tex, nullptr);
            ASSERT_EQ(tex->values.size(), 1u);
            const PackMember* member = find_member(*k.pack, tex->values[0]);
            ASSERT_NE(member, nullptr) << "texture " << tex->values[0] << " is not in the pack";
            fishgen::Image img;
            EXPECT_TRUE(fishgen::decode_dds_argb(member->data, &img)) << tex->values[0];
            EXPECT_GE(img.width, 32);
        }
        EXPECT_EQ(listed, nm);
        EXPECT_GE(nm, 3u);  // body, fins, eyes
    }
}

void check_skin_weights() {
    for (const auto& k : kinds()) {
        SCOPED_TRACE(k.model);
        std::map<std::string, const test::XObject*> frames;
        std::vector<const test::XObject*> meshes;
        for (const auto& o : k.x) collect_frames(o, &frames, &meshes);
        ASSERT_EQ(meshes.size(), 1u);
        const test::XObject& mesh = *meshes[0];
        size_t nv = mesh.integer(0);
        const test::XObject* header = mesh.child("XSkinMeshHeader");
        ASSERT_NE(header, nullptr);
        long perVertex = header->integer(0), perFace = header->integer(1), bones = header->integer(2);
        EXPECT_GE(bones, 8);
        EXPECT_LE(perVertex, 3);
        EXPECT_LE(perFace, 4);  // fits four blend matrices of the fixed-function pipeline
        std::vector<double> sum(nv, 0.0);
        std::vector<int> count(nv, 0);
        long seen = 0;
        for (const auto& sw : mesh.children) {
            if (sw.type != "SkinWeights") continue;
            ++seen;
            ASSERT_GE(sw.values.size(), 2u);
            EXPECT_EQ(frames.count(sw.values[0]), 1u) << "bone without a frame: " << sw.values[0];
            size_t n = sw.integer(1);
            EXPECT_GT(n, 0u) << sw.values[0];
            ASSERT_EQ(sw.values.size(), 2 + 2 * n + 16);
            for (size_t i = 0; i < n; ++i) {
                size_t v = sw.integer(2 + i);
                ASSERT_LT(v, nv);
                double w = sw.number(2 + n + i);
                EXPECT_GT(w, 0.0);
                sum[v] += w;
                ++count[v];
            }
            // The offset matrix takes the mesh into the bone's space: here a pure translation.
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 4; ++c)
                    EXPECT_NEAR(sw.number(2 + 2 * n + r * 4 + c), r == c ? 1.0 : 0.0, 1e-6);
        }
        EXPECT_EQ(seen, bones);
        for (size_t v = 0; v < nv; ++v) {
            EXPECT_NEAR(sum[v], 1.0, 1e-6) << "vertex " << v;
            EXPECT_LE(count[v], perVertex);
        }
    }
}

// Local matrix of an animated frame at one key: D3DXMatrixRotationQuaternion of the conjugate of
// the stored rotation (how X files store keys), then the position.
fishgen::Mat4 key_matrix(const test::XObject& rot, const test::XObject& pos, size_t key) {
    size_t ri = 2 + key * 6, pi = 2 + key * 5;
    fishgen::Quat stored{rot.number(ri + 2), rot.number(ri + 3), rot.number(ri + 4), rot.number(ri + 5)};
    fishgen::Mat4 m = fishgen::mat_rotation(fishgen::quat_from_rotation_key(stored));
    m.m[12] = pos.number(pi + 2), m.m[13] = pos.number(pi + 3), m.m[14] = pos.number(pi + 4);
    return m;
}

void check_animation_keys() {
    for (const auto& k : kinds()) {
        SCOPED_TRACE(k.model);
        std::map<std::string, const test::XObject*> frames;
        std::vector<const test::XObject*> meshes;
        for (const auto& o : k.x) collect_frames(o, &frames, &meshes);
        const test::XObject* ticks = find_top(k, "AnimTicksPerSecond");
        ASSERT_NE(ticks, nullptr);
        long tps = ticks->integer(0);
        std::vector<const test::XObject*> sets;
        for (const auto& o : k.x)
            if (o.type == "AnimationSet") sets.push_back(&o);
        ASSERT_GE(sets.size(), 1u);

        // Script values.
        std::map<std::string, std::vector<std::string>> last;
        std::map<long, std::vector<long>> records;
        bool sawMotionNum = false;
        for (const auto& st : k.script) {
            last[st.key] = st.args;
            if (st.key == "MotionNum") sawMotionNum = true;
            if (st.key == "TrackRecord") {
                EXPECT_TRUE(sawMotionNum) << "TrackRecord before MotionNum";
                ASSERT_EQ(st.args.size(), 4u);
                std::vector<long> r;
                for (const auto& a : st.args) {
                    double v = 0;
                    ASSERT_TRUE(number_arg(a, &v)) << a;
                    r.push_back(static_cast<long>(v));
                }
                records[r[0]] = {r[1], r[2], r[3]};
            }
        }
        ASSERT_FALSE(k.script.empty());
        EXPECT_EQ(k.script.back().key, "End");
        double fps = 0, motionNum = 0;
        ASSERT_TRUE(number_arg(last["FPS"].at(0), &fps));
        ASSERT_TRUE(number_arg(last["MotionNum"].at(0), &motionNum));
        EXPECT_GT(fps, 0);
        EXPECT_GE(motionNum, 4);
        ASSERT_EQ(records.size(), static_cast<size_t>(motionNum));
        ASSERT_EQ(tps % static_cast<long>(fps), 0);
        long ticksPerFrame = tps / static_cast<long>(fps);

        for (const auto& rec : records) {
            ASSERT_GE(rec.first, 0);
            ASSERT_LT(rec.first, static_cast<long>(motionNum));
            long set = rec.second[0], start = rec.second[1], end = rec.second[2];
            ASSERT_GE(set, 0);
            ASSERT_LT(static_cast<size_t>(set), sets.size());
            EXPECT_LT(start, end);
            EXPECT_GE(end - start, 20) << "a motion of under two thirds of a second would stutter";
            for (const auto& anim : sets[set]->children) {
                ASSERT_EQ(anim.references.size(), 1u);
                ASSERT_EQ(frames.count(anim.references[0]), 1u) << anim.references[0];
                const test::XObject* rot = nullptr;
                const test::XObject* pos = nullptr;
                for (const auto& key : anim.children) {
                    if (key.integer(0) == 0) rot = &key;
                    if (key.integer(0) == 2) pos = &key;
                }
                ASSERT_TRUE(rot && pos);
                size_t keys = rot->integer(1);
                ASSERT_EQ(rot->values.size(), 2 + 6 * keys);
                ASSERT_EQ(static_cast<size_t>(pos->integer(1)), keys);
                ASSERT_EQ(pos->values.size(), 2 + 5 * keys);
                for (size_t i = 0; i < keys; ++i) {
                    ASSERT_EQ(rot->integer(2 + 6 * i), static_cast<long>(i) * ticksPerFrame);
                    ASSERT_EQ(rot->integer(3 + 6 * i), 4);
                    ASSERT_EQ(pos->integer(2 + 5 * i), static_cast<long>(i) * ticksPerFrame);
                    ASSERT_EQ(pos->integer(3 + 5 * i), 3);
                }
                ASSERT_LT(static_cast<size_t>(end), keys) << "the range ends after the last key";
                // A clean loop: the pose at the end frame is the pose at the start frame.
                fishgen::Mat4 a = key_matrix(*rot, *pos, start), b = key_matrix(*rot, *pos, end);
                for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], 1e-5) << anim.references[0];
            }
        }
        // Every animated frame's FrameTransformMatrix is its key at time 0 of the first set.
        size_t animated = 0;
        for (const auto& anim : sets[0]->children) {
            const test::XObject* frame = frames[anim.references[0]];
            const test::XObject* ftm = frame->child("FrameTransformMatrix");
            ASSERT_NE(ftm, nullptr);
            ASSERT_EQ(ftm->values.size(), 16u);
            fishgen::Mat4 key0 = key_matrix(anim.children[0], anim.children[1], 0);
            for (int i = 0; i < 16; ++i) EXPECT_NEAR(ftm->number(i), key0.m[i], 2e-6) << anim.references[0];
            ++animated;
        }
        EXPECT_GE(animated, 8u);
    }
}

void check_both_ways_of_playing() {
    int single = 0, several = 0;
    for (const auto& k : kinds()) {
        size_t sets = 0;
        for (const auto& o : k.x) sets += o.type == "AnimationSet";
        (sets == 1 ? single : several)++;
    }
    EXPECT_GT(single, 0);
    EXPECT_GT(several, 0);
}

void check_motion_values() {
    for (const auto& k : kinds()) {
        SCOPED_TRACE(k.model);
        std::map<std::string, double> v;
        for (const auto& st : k.script)
            if (st.args.size() == 1) {
                ASSERT_TRUE(number_arg(st.args[0], &v[st.key])) << st.key;
            }
        for (const char* key : {"Scale", "Wait", "SlowSpeed", "SlowRotateH", "SlowRotateV", "FastSpeed", "FastRotateH",
                                "FastRotateV", "Gravity"})
            EXPECT_EQ(v.count(key), 1u) << key;
        // Cruising crosses the 150-unit tank in roughly ten seconds at 30 steps a second.
        double crossing = 150.0 / (v["SlowSpeed"] * 30.0);
        EXPECT_GT(crossing, 6.0);
        EXPECT_LT(crossing, 16.0);
        EXPECT_GE(v["FastSpeed"] / v["SlowSpeed"], 2.0);
        EXPECT_LE(v["FastSpeed"] / v["SlowSpeed"], 3.5);
        EXPECT_GE(v["SlowRotateH"], 2.0);
        EXPECT_LE(v["FastRotateH"], 8.0);
        EXPECT_GT(v["FastRotateH"], v["SlowRotateH"]);
        EXPECT_GE(v["Wait"], 1500);
        EXPECT_LE(v["Wait"], 3000);
        EXPECT_GT(v["Scale"], 0.0);
        EXPECT_LT(v["Gravity"], 1.0);
        if (k.model == "ranchu") {
            EXPECT_GT(v["Gravity"], 0.0);
        }

        // Length in the tank: model extent along Z times Scale.
        std::map<std::string, const test::XObject*> frames;
        std::vector<const test::XObject*> meshes;
        for (const auto& o : k.x) collect_frames(o, &frames, &meshes);
        const test::XObject& mesh = *meshes[0];
        size_t nv = mesh.integer(0);
        double zmin = 1e9, zmax = -1e9;
        for (size_t i = 0; i < nv; ++i) {
            zmin = std::min(zmin, mesh.number(3 + 3 * i));
            zmax = std::max(zmax, mesh.number(3 + 3 * i));
        }
        // Side on at mid-depth (z = 0, 300 units from the eye, a 45-degree field at 4:3) a unit
        // is 800 / (600 tan 22.5 deg x 4/3) = 2.41 pixels of the default 800-pixel back buffer: a
        // grown fish spans 8 to 10 percent of that width, big enough to show fins, eyes and mouth.
        double length = (zmax - zmin) * v["Scale"];
        double pixels = length * 800.0 / (600.0 * std::tan(fishgen::kPi / 8) * 4.0 / 3.0);
        EXPECT_GE(pixels, 0.08 * 800) << length << " units";
        EXPECT_LE(pixels, 0.10 * 800) << length << " units";
    }
}

void check_crlf() {
    for (const auto* pack : fish_packs())
        for (const auto& m : pack->members) {
            bool script = m.name == "header.bin" || (m.name.size() > 4 && m.name.compare(m.name.size() - 4, 4, ".mrc") == 0);
            if (!script) continue;
            std::string t = text_of(m);
            ASSERT_GE(t.size(), 2u);
            EXPECT_EQ(t.compare(t.size() - 2, 2, "\r\n"), 0) << m.name;
            for (size_t i = 0; i < t.size(); ++i) {
                if (t[i] == '\n') {
                    EXPECT_TRUE(i > 0 && t[i - 1] == '\r') << m.name << " at " << i;
                }
                if (t[i] == '\r') {
                    EXPECT_TRUE(i + 1 < t.size() && t[i + 1] == '\n') << m.name << " at " << i;
                }
            }
        }
}

void check_initialize_pack() {
    const ContentPack built = fishgen::build_initialize_pack();
    const ContentPack* pack = &built;
    EXPECT_EQ(pack->path, "initialize.pak");
    static const std::set<std::string> instructions = {"vs", "dcl_position", "dcl_blendweight", "dcl_blendindices",
                                                       "dcl_normal", "dcl_texcoord", "mov", "add", "mul", "mad",
                                                       "dp3", "dp4", "rsq", "max", "min", "m4x4", "m4x3", "m3x3"};
    for (int i = 1; i <= 4; ++i) {
        const PackMember* m = find_member(*pack, "skinmesh" + std::to_string(i) + ".vsh");
        ASSERT_NE(m, nullptr) << i;
        std::string t = text_of(*m);
        EXPECT_EQ(t.compare(0, 6, "vs.1.1"), 0);
        size_t weights = 0;
        size_t p = 0;
        while (p < t.size()) {
            size_t e = t.find("\r\n", p);
            std::string line = t.substr(p, e == std::string::npos ? std::string::npos : e - p);
            p = e == std::string::npos ? t.size() : e + 2;
            if (line.empty() || line.compare(0, 2, "//") == 0) continue;
            std::string op = line.substr(0, line.find_first_of(" ."));
            EXPECT_TRUE(instructions.count(op)) << "shader " << i << ": " << line;
            if (line.find("m4x3 r") != std::string::npos) ++weights;
        }
        EXPECT_EQ(weights, static_cast<size_t>(i)) << "one bone transform per blend weight";
        for (const char* needed : {"dcl_position v0", "dcl_blendweight", "dcl_blendindices", "dcl_normal", "dcl_texcoord",
                                   "oPos", "oD0", "oT0", "a0.x"})
            EXPECT_NE(t.find(needed), std::string::npos) << needed;
    }
    const PackMember* fx = find_member(*pack, "SkinnedMesh.fx");
    ASSERT_NE(fx, nullptr);
    // Shipped compiled, so that no HLSL compiler has to take it (what it holds: compiled_effect_test).
    EXPECT_EQ(fx->data, fishgen::skinned_mesh_effect());
}

void check_food() {
    const ContentPack built = fishgen::build_texture_pack();
    const ContentPack* pack = &built;
    EXPECT_EQ(pack->path, "texture.pak");
    const PackMember* food = find_member(*pack, "food.dds");
    ASSERT_NE(food, nullptr);
    fishgen::Image img;
    ASSERT_TRUE(fishgen::decode_dds_argb(food->data, &img));
    ASSERT_EQ(img.width, img.height);
    int opaque = 0;
    for (const auto& p : img.pixels) {
        int a = fishgen::to_byte(p.a);
        EXPECT_TRUE(a == 0 || a == 255) << "alpha must survive DXT1";
        opaque += a == 255;
        if (a == 0) {
            EXPECT_EQ(fishgen::to_byte(p.r) + fishgen::to_byte(p.g) + fishgen::to_byte(p.b), 0);
        }
    }
    EXPECT_EQ(fishgen::to_byte(img.at(0, 0).a), 0);
    EXPECT_EQ(fishgen::to_byte(img.at(img.width - 1, img.height - 1).a), 0);
    const auto& centre = img.at(img.width / 2, img.height / 2);
    EXPECT_EQ(fishgen::to_byte(centre.a), 255);
    EXPECT_GT(centre.r, centre.g);
    EXPECT_GT(centre.g, centre.b);
    double disc = static_cast<double>(opaque) / (img.width * img.height);
    EXPECT_NEAR(disc, 3.14159 * 0.42 * 0.42, 0.05);
}

void check_wallpaper() {
    const fishgen::ContentFile file = fishgen::build_wallpaper_file();
    EXPECT_EQ(file.path, "bg_sprite1.jpg");
    int w = 0, h = 0, comp = 0;
    unsigned char* px = stbi_load_from_memory(file.bytes.data(), static_cast<int>(file.bytes.size()), &w, &h, &comp, 3);
    ASSERT_NE(px, nullptr);
    EXPECT_LE(w, 1024);
    EXPECT_LE(h, 1024);  // larger pictures are refused by the wallpaper loader
    auto mean = [&](int y0, int y1, int c) {
        double s = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < w; ++x) s += px[(y * w + x) * 3 + c];
        return s / ((y1 - y0) * w);
    };
    // Water above: blue-green and brighter near the surface; sand below: warm.
    EXPECT_GT(mean(0, h / 10, 2), mean(0, h / 10, 0));
    EXPECT_GT(mean(0, h / 10, 1), mean(h / 2, h / 2 + h / 10, 1));
    EXPECT_GT(mean(h - h / 20, h, 0), mean(h - h / 20, h, 2));
    stbi_image_free(px);
}

void check_written_files() {
    namespace fs = std::filesystem;
    test::ScratchDir scratch;
    const fs::path dir = scratch.path() / "program";
    std::string why;
    ASSERT_EQ(fishgen::write_content(content(), dir.string(), &why), kOk) << why;
    for (const auto& pack : content().packs) {
        std::vector<unsigned char> expected;
        ASSERT_EQ(build_pack(pack.members, &expected, nullptr), kOk);
        EXPECT_TRUE(read_all(dir / pack.path) == expected) << pack.path;
    }
    EXPECT_TRUE(read_all(dir / "bg_sprite1.jpg") == content().files[0].bytes);
    EXPECT_FALSE(fs::exists(dir / "texture.pak.tmp"));
}

// Each test runs in its own process and rebuilds what it looks at, so related checks share one.
TEST(FishgenContent, SameBytesOnEveryRunAndOnDisk) {
    check_two_runs_give_the_same_bytes();
    check_written_files();
}

TEST(FishgenContent, FishPacksHoldReadableCatalogsAndScripts) {
    check_member_names();
    check_catalogs();
    check_crlf();
}

TEST(FishgenContent, XFilesAreWellFormedAndAgreeWithTheirScripts) {
    check_x_counts();
    check_skin_weights();
    check_animation_keys();
    check_both_ways_of_playing();
    check_motion_values();
}

TEST(FishgenContent, InitializePackHoldsFourShadersAndTheEffect) { check_initialize_pack(); }

TEST(FishgenContent, FoodPelletIsARoundBrownDiscOnClearAlpha) { check_food(); }

TEST(FishgenContent, WallpaperIsAnUnderwaterJpegThePictureCheckAccepts) { check_wallpaper(); }

// The build runs fishgen as its own process; what it placed must be what a run gives here.
TEST(FishgenContent, BuildPlacedTheSameBytesInTheProgramFolder) {
    namespace fs = std::filesystem;
    fs::path dir(BRINE_PROGRAM_DIR);
    if (!fs::exists(dir / "object" / "fish1.pak")) GTEST_SKIP() << "the content has not been built yet";
    for (const auto& pack : content().packs) {
        std::vector<unsigned char> expected;
        ASSERT_EQ(build_pack(pack.members, &expected, nullptr), kOk);
        EXPECT_TRUE(read_all(dir / pack.path) == expected) << pack.path;
    }
    EXPECT_TRUE(read_all(dir / "bg_sprite1.jpg") == content().files[0].bytes);
}

}  // namespace
}  // namespace brine
