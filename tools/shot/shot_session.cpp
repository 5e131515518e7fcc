// The shot tool's session on OpenGL. Tool code only.
#include "tools/shot/shot_session.h"

#include <cstdio>
#include <cstring>

#include "platform/linux/text_codec.h"
#include "tools/scenes/frame_capture.h"

namespace brine::shot {

namespace {

void echo_box(const std::string& message) {
    std::fprintf(stderr, "shot: message box: %s\n", sjis_to_utf8(message).c_str());
}

}  // namespace

Session::Session(const SessionOptions& options) : AquariumSession(options, graphics, nullptr) { ui.echo = echo_box; }

bool Session::start(std::string* why) {
    if (AquariumSession::start(why)) return true;
    *why = sjis_to_utf8(*why);
    if (!aquarium().display.device) *why += " (no OpenGL 3.3 device: try QT_QPA_PLATFORM=xcb under xvfb-run)";
    return false;
}

GlGraphicsDevice* Session::device() {
    // The device came from GlGraphicsPlatform, so it is the OpenGL one.
    return static_cast<GlGraphicsDevice*>(aquarium().display.device);
}

int Session::add_fish(const std::string& kind, const std::string& name, int satiety, std::string* why) {
    const int slot = AquariumSession::add_fish(utf8_to_sjis(kind), utf8_to_sjis(name), satiety, why);
    if (slot < 0) *why = sjis_to_utf8(*why);
    return slot;
}

bool Session::read_frame(QImage* image) {
    scenes::Picture frame;
    if (!device() || !scenes::read_back_buffer(*device(), &frame)) return false;
    QImage out(static_cast<int>(frame.width), static_cast<int>(frame.height), QImage::Format_RGB32);
    for (std::uint32_t y = 0; y < frame.height; ++y)
        std::memcpy(out.scanLine(static_cast<int>(y)), &frame.pixels[std::size_t(y) * frame.width],
                    std::size_t(frame.width) * 4);
    *image = out;
    return true;
}

}  // namespace brine::shot
