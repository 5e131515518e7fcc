// The scenes tool on Linux: the OpenGL device through Qt, offscreen. Without a display Qt's
// offscreen platform is used; with one, the X server's. Linux tool glue only.
#include <QGuiApplication>

#include <unistd.h>

#include <cstdlib>

#include "platform/linux/gl_graphics.h"
#include "tools/scenes/scenes_host.h"

namespace brine::scenes {

namespace {

class GlScenesHost final : public ScenesHost {
public:
    GlScenesHost() : application_(argc_, argv_) {}
    GraphicsPlatform& graphics() override { return graphics_; }
    WindowHandle window() override { return nullptr; }
    const char* name() const override { return "opengl"; }

private:
    int argc_ = 1;
    char name_[8] = "scenes";
    char* argv_[2] = {name_, nullptr};
    QGuiApplication application_;
    GlGraphicsPlatform graphics_;
};

}  // namespace

std::unique_ptr<ScenesHost> make_scenes_host(std::string*) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", std::getenv("DISPLAY") ? "xcb" : "offscreen", 1);
    return std::make_unique<GlScenesHost>();
}

bool change_directory(const std::string& path) { return chdir(path.c_str()) == 0; }

std::string current_directory() {
    char cwd[4096];
    return getcwd(cwd, sizeof cwd) ? cwd : ".";
}

}  // namespace brine::scenes
