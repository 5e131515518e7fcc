// Everything fishgen ships, assembled in memory: the fish packs, the extension pack, the
// texture and initialize packs and the wallpaper, with their paths under the program folder.
// Must not depend on anything but the pack writer of the core.
#pragma once
#include <string>
#include <vector>

#include "base/result.h"
#include "data/pack_writer.h"

namespace brine {
namespace fishgen {

struct ContentPack {
    std::string path;  // relative, '/' separated: "object/fish1.pak"
    std::vector<PackMember> members;
};

struct ContentFile {
    std::string path;
    std::vector<unsigned char> bytes;
};

struct Content {
    std::vector<ContentPack> packs;
    std::vector<ContentFile> files;
};

Content build_content();
// The parts of build_content, in its order.
std::vector<ContentPack> build_fish_packs();
ContentPack build_texture_pack();
ContentPack build_initialize_pack();
ContentFile build_wallpaper_file();
// Writes every pack (write_pack_file) and file under the folder, creating subfolders.
HResult write_content(const Content& content, const std::string& folder, std::string* reason);

}  // namespace fishgen
}  // namespace brine
