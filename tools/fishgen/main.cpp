// fishgen: makes all of the aquarium's content from source.
//   fishgen <program folder>                    fish packs, extension, texture and initialize
//                                                packs and the wallpaper
//   fishgen --preview <png> [kind] [cell] [times]  contact sheet of every kind and motion
//   fishgen --tank <png>                        the kinds in the tank over the wallpaper
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/fishgen/content.h"
#include "tools/fishgen/preview.h"

int main(int argc, char** argv) {
    using namespace brine;
    std::string reason;
    if (argc == 3 && std::string(argv[1]) == "--tank") {
        if (failed(fishgen::write_tank_preview(argv[2], &reason))) {
            std::fprintf(stderr, "fishgen: %s\n", reason.c_str());
            return 1;
        }
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]) == "--preview") {
        fishgen::PreviewOptions options;
        if (argc >= 4) options.kind = argv[3];
        if (argc >= 5) {
            int w = std::atoi(argv[4]);
            if (w >= 40 && w <= 2000) {
                options.cellWidth = w;
                options.cellHeight = w * 5 / 8;
            }
        }
        if (argc >= 6) options.timesPerMotion = std::atoi(argv[5]) < 1 ? 1 : (std::atoi(argv[5]) > 8 ? 8 : std::atoi(argv[5]));
        if (failed(fishgen::write_preview(argv[2], options, &reason))) {
            std::fprintf(stderr, "fishgen: %s\n", reason.c_str());
            return 1;
        }
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: fishgen <output folder>\n       fishgen --preview <png> [kind] [cell width] [times per motion]\n"
                     "       fishgen --tank <png>\n");
        return 2;
    }
    fishgen::Content content = fishgen::build_content();
    if (failed(fishgen::write_content(content, argv[1], &reason))) {
        std::fprintf(stderr, "fishgen: %s\n", reason.c_str());
        return 1;
    }
    return 0;
}
