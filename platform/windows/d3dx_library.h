// D3DX9 loaded at run time: d3dx9_43.dll comes with the DirectX End-User Runtime, not with every
// Windows, so the program looks for it with LoadLibrary and says what is missing instead of
// failing in the loader before it can show anything. The few D3DX entry points the Direct3D 9
// device uses. Win32 only.
#pragma once
#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

namespace brine {

constexpr wchar_t kD3dxLibraryName[] = L"d3dx9_43.dll";

class D3dxLibrary {
public:
    D3dxLibrary() = default;
    ~D3dxLibrary();
    D3dxLibrary(const D3dxLibrary&) = delete;
    D3dxLibrary& operator=(const D3dxLibrary&) = delete;

    // LoadLibraryW and every entry point; false (and nothing loaded) when any is missing.
    bool load();
    bool loaded() const { return module_ != nullptr; }

    decltype(&D3DXAssembleShader) assembleShader = nullptr;
    decltype(&D3DXCreateEffect) createEffect = nullptr;
    decltype(&D3DXCreateFontW) createFont = nullptr;
    decltype(&D3DXCreateSprite) createSprite = nullptr;
    decltype(&D3DXLoadSurfaceFromMemory) loadSurfaceFromMemory = nullptr;

private:
    HMODULE module_ = nullptr;
};

}  // namespace brine
