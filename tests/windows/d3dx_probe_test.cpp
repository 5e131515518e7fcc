// The start-up shaders and effect that fishgen writes into "initialize.pak", put through the real
// D3DX9 (Wine's d3dx9_43 here): D3DXAssembleShader on the four vertex shaders and D3DXCreateEffect
// on the compiled effect, with the arguments the device bring-up uses, and what D3DX then finds
// in the effect. Start-up fails when either fails.
#include <gtest/gtest.h>

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <string>

#include "data/pack_file.h"

namespace brine {
namespace {

const std::string kInitializePack = std::string(BRINE_PROGRAM_DIR) + "/initialize.pak";

std::string error_text(ID3DXBuffer* errors) {
    if (!errors) return std::string();
    std::string text(static_cast<const char*>(errors->GetBufferPointer()), errors->GetBufferSize());
    errors->Release();
    return text;
}

MemoryBlock member(const char* name) {
    MemoryBlock block;
    EXPECT_EQ(load_into_memory(kInitializePack.c_str(), name, &block), kOk) << name;
    return block;
}

TEST(D3dxProbe, TheFourSkinningShadersAssemble) {
    for (const char* name : {"skinmesh1.vsh", "skinmesh2.vsh", "skinmesh3.vsh", "skinmesh4.vsh"}) {
        MemoryBlock text = member(name);
        ASSERT_TRUE(text.valid());
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        const HRESULT hr = D3DXAssembleShader(text.text(), text.size(), nullptr, nullptr, 0, &code, &errors);
        EXPECT_EQ(hr, S_OK) << name << ": " << error_text(errors);
        if (code) {
            EXPECT_GT(code->GetBufferSize(), 0u) << name;
            // A vs_1_1 token stream starts with its version token.
            EXPECT_EQ(*static_cast<const DWORD*>(code->GetBufferPointer()), D3DVS_VERSION(1, 1)) << name;
            code->Release();
        }
    }
}

// A windowed device on a hidden window of its own: D3DXCreateEffect needs one.
class ProbeDevice {
public:
    ProbeDevice() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrineD3dxProbe";
        RegisterClassW(&wc);
        window_ = CreateWindowW(L"BrineD3dxProbe", L"probe", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                wc.hInstance, nullptr);
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        if (!window_ || !d3d_) return;
        D3DPRESENT_PARAMETERS pp{};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferFormat = D3DFMT_UNKNOWN;
        pp.hDeviceWindow = window_;
        d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                           &device_);
    }
    ~ProbeDevice() {
        if (device_) device_->Release();
        if (d3d_) d3d_->Release();
        if (window_) DestroyWindow(window_);
    }
    IDirect3DDevice9* device() const { return device_; }

private:
    HWND window_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

TEST(D3dxProbe, TheCompiledEffectLoadsWithItsParametersAndItsPassSetsItsStates) {
    ProbeDevice probe;
    ASSERT_NE(probe.device(), nullptr) << "no Direct3D 9 device (is DISPLAY set?)";
    MemoryBlock compiled = member("SkinnedMesh.fx");
    ASSERT_TRUE(compiled.valid());
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXCreateEffect(probe.device(), compiled.text(), compiled.size(), nullptr, nullptr,
                                        D3DXSHADER_DEBUG, nullptr, &effect, &errors);
    ASSERT_EQ(hr, S_OK) << error_text(errors);
    ASSERT_NE(effect, nullptr);
    D3DXHANDLE technique = nullptr;
    EXPECT_EQ(effect->FindNextValidTechnique(nullptr, &technique), S_OK);
    EXPECT_EQ(technique, effect->GetTechniqueByName("t0"));
    D3DXTECHNIQUE_DESC techniqueDesc{};
    ASSERT_EQ(effect->GetTechniqueDesc(technique, &techniqueDesc), S_OK);
    EXPECT_EQ(techniqueDesc.Passes, 1u);
    // The parameters as the shaders name them, with their shapes and semantics.
    struct Expected {
        const char* name;
        const char* semantic;
        D3DXPARAMETER_CLASS cls;
        UINT rows, columns, elements;
    };
    const Expected parameters[] = {{"lhtDir", "LIGHTDIRECTION", D3DXPC_VECTOR, 1, 4, 0},
                                   {"MaterialAmbient", "MATERIALAMBIENT", D3DXPC_VECTOR, 1, 4, 0},
                                   {"MaterialDiffuse", "MATERIALDIFFUSE", D3DXPC_VECTOR, 1, 4, 0},
                                   {"mWorldMatrixArray", "WORLDMATRIXARRAY", D3DXPC_MATRIX_ROWS, 4, 3, 26},
                                   {"mViewProj", "VIEWPROJECTION", D3DXPC_MATRIX_ROWS, 4, 4, 0}};
    for (const Expected& e : parameters) {
        D3DXHANDLE handle = effect->GetParameterByName(nullptr, e.name);
        ASSERT_NE(handle, nullptr) << e.name;
        D3DXPARAMETER_DESC desc{};
        ASSERT_EQ(effect->GetParameterDesc(handle, &desc), S_OK) << e.name;
        EXPECT_STREQ(desc.Semantic, e.semantic);
        EXPECT_EQ(desc.Class, e.cls) << e.name;
        EXPECT_EQ(desc.Type, D3DXPT_FLOAT) << e.name;
        EXPECT_EQ(desc.Rows, e.rows) << e.name;
        EXPECT_EQ(desc.Columns, e.columns) << e.name;
        EXPECT_EQ(desc.Elements, e.elements) << e.name;
    }
    // Its one pass sets what the fixed-function drawing of the fish uses.
    IDirect3DDevice9* device = probe.device();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), S_OK);
    ASSERT_EQ(effect->BeginPass(0), S_OK);
    DWORD lighting = 0, cull = 0;
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    device->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(lighting, static_cast<DWORD>(TRUE));
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_NONE));
    effect->EndPass();
    effect->End();
    effect->Release();
}

}  // namespace
}  // namespace brine
