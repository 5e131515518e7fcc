// One aquarium run inside the shot tool: the portable session of tools/scenes on the OpenGL
// platform, drawing offscreen, with the Linux conveniences: UTF-8 kinds and names, the frame as
// a QImage. Tool code only.
#pragma once
#include <QImage>

#include <string>

#include "platform/linux/gl_graphics.h"
#include "tools/scenes/aquarium_session.h"

namespace brine::shot {

using scenes::SessionOptions;

// Built before the session that draws with it.
struct GlPlatformHolder {
    GlGraphicsPlatform graphics;
};

class Session : private GlPlatformHolder, public scenes::AquariumSession {
public:
    explicit Session(const SessionOptions& options);

    // As AquariumSession's, with the reason in UTF-8.
    bool start(std::string* why);
    GlGraphicsDevice* device();
    // KIND is a catalog row number, a model name or a kind name; kind and name in UTF-8.
    int add_fish(const std::string& kind, const std::string& name, int satiety, std::string* why);
    // The back buffer as an RGB image; false when it can't be read.
    bool read_frame(QImage* image);
};

}  // namespace brine::shot
