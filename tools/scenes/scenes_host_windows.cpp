// The scenes tool on Windows: the program's own Direct3D 9 platform (D3DX loaded at run time as the
// program does) on a hidden window of the tool's own. File names are UTF-8 here as in the
// program's file seam. Windows tool glue only.
#include <windows.h>

#include <vector>

#include "platform/windows/d3d9_graphics.h"
#include "platform/windows/d3dx_library.h"
#include "platform/windows/win_text.h"
#include "tools/scenes/scenes_host.h"

namespace brine::scenes {

namespace {

class D3d9ScenesHost final : public ScenesHost {
public:
    ~D3d9ScenesHost() override {
        if (window_) DestroyWindow(window_);
    }
    bool init(std::string* why) {
        if (!d3dx_.load()) {
            *why = "no D3DX (d3dx9_43.dll)";
            return false;
        }
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrineScenes";
        RegisterClassW(&wc);
        // Never shown: the devices draw into their back buffers, which are read before any present.
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"BrineScenes", L"scenes", WS_POPUP, 0, 0, 64, 64, nullptr,
                                  nullptr, wc.hInstance, nullptr);
        if (!window_) *why = "no window for the devices (" + std::to_string(GetLastError()) + ")";
        return window_ != nullptr;
    }
    GraphicsPlatform& graphics() override { return graphics_; }
    WindowHandle window() override { return window_; }
    const char* name() const override { return "direct3d9"; }

private:
    HWND window_ = nullptr;
    D3dxLibrary d3dx_;
    D3d9GraphicsPlatform graphics_{d3dx_};
};

}  // namespace

std::unique_ptr<ScenesHost> make_scenes_host(std::string* why) {
    auto host = std::make_unique<D3d9ScenesHost>();
    if (!host->init(why)) return nullptr;
    return host;
}

bool change_directory(const std::string& path) { return SetCurrentDirectoryW(utf8_to_wide(path).c_str()) != 0; }

std::string current_directory() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return ".";
    std::vector<wchar_t> buffer(n);
    const DWORD got = GetCurrentDirectoryW(n, buffer.data());
    return got > 0 && got < n ? wide_to_utf8(std::wstring(buffer.data(), got)) : ".";
}

}  // namespace brine::scenes
