// Assembles the shipped packs from the kinds and the shared pictures and writes them out.
// Must not depend on the program's own code beyond the pack writer.
#include "tools/fishgen/content.h"

#include <cstdio>
#include <filesystem>

#include "data/file_commit.h"
#include "tools/fishgen/effect_binary.h"
#include "tools/fishgen/fish_builder.h"
#include "tools/fishgen/scenery.h"
#include "tools/fishgen/scripts.h"
#include "tools/fishgen/shader_texts.h"
#include "tools/fishgen/x_writer.h"

namespace brine {
namespace fishgen {

namespace {

std::vector<unsigned char> to_bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

ContentPack make_fish_pack(const std::string& path, const std::vector<const KindSpec*>& kinds) {
    ContentPack pack;
    pack.path = path;
    pack.members.push_back({"header.bin", to_bytes(write_catalog(kinds))});
    for (const KindSpec* k : kinds) {
        FishModel model = build_fish(*k);
        pack.members.push_back({k->model + ".x", to_bytes(write_x_text(model))});
        pack.members.push_back({k->model + ".mrc", to_bytes(write_motion_script(*k, model))});
        for (const auto& t : model.textures) pack.members.push_back({t.name, encode_dds_argb(t.image)});
    }
    return pack;
}

}  // namespace

std::vector<ContentPack> build_fish_packs() {
    // Fish packs in the order their kinds are listed; each pack keeps its kinds' order.
    std::vector<std::string> paths;
    for (const auto& k : all_kinds()) {
        bool seen = false;
        for (const auto& p : paths) seen = seen || p == k.packPath;
        if (!seen) paths.push_back(k.packPath);
    }
    std::vector<ContentPack> packs;
    for (const auto& path : paths) {
        std::vector<const KindSpec*> kinds;
        for (const auto& k : all_kinds())
            if (k.packPath == path) kinds.push_back(&k);
        packs.push_back(make_fish_pack(path, kinds));
    }
    return packs;
}

ContentPack build_texture_pack() {
    ContentPack textures;
    textures.path = "texture.pak";
    textures.members.push_back({"food.dds", encode_dds_argb(make_food_texture(64))});
    return textures;
}

ContentPack build_initialize_pack() {
    ContentPack init;
    init.path = "initialize.pak";
    for (int i = 1; i <= 4; ++i)
        init.members.push_back({"skinmesh" + std::to_string(i) + ".vsh", to_bytes(skinning_shader_text(i))});
    init.members.push_back({"SkinnedMesh.fx", skinned_mesh_effect()});
    return init;
}

ContentFile build_wallpaper_file() { return {"bg_sprite1.jpg", encode_jpeg(make_wallpaper(1024, 768), 90)}; }

Content build_content() {
    Content content;
    content.packs = build_fish_packs();
    content.packs.push_back(build_texture_pack());
    content.packs.push_back(build_initialize_pack());
    content.files.push_back(build_wallpaper_file());
    return content;
}

HResult write_content(const Content& content, const std::string& folder, std::string* reason) {
    namespace fs = std::filesystem;
    std::error_code ec;
    auto prepare = [&](const std::string& rel) -> std::string {
        fs::path p = fs::path(folder) / fs::path(rel);
        fs::create_directories(p.parent_path(), ec);
        return p.string();
    };
    for (const auto& pack : content.packs) {
        std::string path = prepare(pack.path);
        HResult r = write_pack_file(path, pack.members, reason);
        if (failed(r)) return r;
    }
    for (const auto& file : content.files) {
        const std::string path = prepare(file.path);
        if (failed(replace_file_contents(path.c_str(), file.bytes.data(), file.bytes.size()))) {
            if (reason) *reason = "cannot write " + path;
            return kFail;
        }
    }
    return kOk;
}

}  // namespace fishgen
}  // namespace brine
