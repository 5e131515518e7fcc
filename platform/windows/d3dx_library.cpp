#include "platform/windows/d3dx_library.h"

namespace brine {

namespace {

template <typename Function>
bool find(HMODULE module, const char* name, Function* out) {
    *out = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *out != nullptr;
}

}  // namespace

D3dxLibrary::~D3dxLibrary() {
    if (module_) FreeLibrary(module_);
}

bool D3dxLibrary::load() {
    if (module_) return true;
    HMODULE module = LoadLibraryW(kD3dxLibraryName);
    if (!module) return false;
    const bool all = find(module, "D3DXAssembleShader", &assembleShader) &&
                     find(module, "D3DXCreateEffect", &createEffect) && find(module, "D3DXCreateFontW", &createFont) &&
                     find(module, "D3DXCreateSprite", &createSprite) &&
                     find(module, "D3DXLoadSurfaceFromMemory", &loadSurfaceFromMemory);
    if (!all) {
        FreeLibrary(module);
        return false;
    }
    module_ = module;
    return true;
}

}  // namespace brine
