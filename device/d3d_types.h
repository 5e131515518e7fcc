// Records and constants that stand in for Direct3D 9's and D3DX's: matrices and vectors (row
// vectors, left-handed, D3DX memory layout), colours, material, light, viewport, rectangles, image
// information, and the render-state, stage-state, transform, FVF and format numbers, kept at their
// Direct3D values so a Direct3D port passes them straight through.
// Must not depend on anything but the standard library.
#pragma once
#include <cstdint>

namespace brine {

struct Vec2 { float x, y; };
struct Vec3 { float x, y, z; };
struct Vec4 { float x, y, z, w; };
struct Quaternion { float x, y, z, w; };  // D3DXQUATERNION member order

// D3DXMATRIX: m[row][col], row vectors (v' = v * M), translation in row 3.
struct Matrix { float m[4][4]; };

using D3DColor = std::uint32_t;  // 0xAARRGGBB

struct ColorValue { float r, g, b, a; };  // D3DCOLORVALUE

struct Material {  // D3DMATERIAL9
    ColorValue diffuse, ambient, specular, emissive;
    float power;
};

enum LightType : std::uint32_t { kLightPoint = 1, kLightSpot = 2, kLightDirectional = 3 };

struct Light {  // D3DLIGHT9, fields in the platform's order
    std::uint32_t type;
    ColorValue diffuse, specular, ambient;
    Vec3 position, direction;
    float range, falloff, attenuation0, attenuation1, attenuation2, theta, phi;
};

struct Viewport {  // D3DVIEWPORT9
    std::uint32_t x, y, width, height;
    float minZ, maxZ;
};

struct Rect { std::int32_t left, top, right, bottom; };  // RECT

// D3DFORMAT values the program names.
enum Format : std::uint32_t {
    kFmtUnknown = 0,
    kFmtR8G8B8 = 20,
    kFmtA8R8G8B8 = 21,
    kFmtX8R8G8B8 = 22,
    kFmtR5G6B5 = 23,
    kFmtX1R5G5B5 = 24,
    kFmtA1R5G5B5 = 25,
    kFmtA4R4G4B4 = 26,
    kFmtD24S8 = 75,
    kFmtD16 = 80,
    kFmtDxt1 = 0x31545844,  // MAKEFOURCC('D','X','T','1')
    kFmtDxt3 = 0x33545844,
    kFmtDxt5 = 0x35545844,
};

enum ImageFileFormat : std::uint32_t {  // D3DXIMAGE_FILEFORMAT
    kIffBmp = 0, kIffJpg = 1, kIffTga = 2, kIffPng = 3, kIffDds = 4,
};

enum ResourceType : std::uint32_t { kRtypeSurface = 1, kRtypeTexture = 3 };

struct ImageInfo {  // D3DXIMAGE_INFO
    std::uint32_t width, height, depth, mipLevels;
    std::uint32_t format;         // Format
    std::uint32_t resourceType;   // ResourceType
    std::uint32_t imageFileFormat;
};

// D3DRENDERSTATETYPE values used by the program.
enum RenderState : std::uint32_t {
    kRsZEnable = 7,
    kRsFillMode = 8,
    kRsShadeMode = 9,
    kRsZWriteEnable = 14,
    kRsSrcBlend = 19,
    kRsDestBlend = 20,
    kRsCullMode = 22,
    kRsDitherEnable = 26,
    kRsAlphaBlendEnable = 27,
    kRsSpecularEnable = 29,
    kRsLighting = 137,
    kRsAmbient = 139,
    kRsNormalizeNormals = 143,
    kRsVertexBlend = 151,
    kRsPointSize = 154,
};

enum ZBufferType : std::uint32_t { kZbFalse = 0, kZbTrue = 1 };
enum FillMode : std::uint32_t { kFillPoint = 1, kFillWireframe = 2, kFillSolid = 3 };
enum ShadeMode : std::uint32_t { kShadeFlat = 1, kShadeGouraud = 2 };
enum CullMode : std::uint32_t { kCullNone = 1, kCullCw = 2, kCullCcw = 3 };
enum Blend : std::uint32_t { kBlendZero = 1, kBlendOne = 2, kBlendSrcAlpha = 5, kBlendInvSrcAlpha = 6 };

// D3DTEXTURESTAGESTATETYPE, D3DTEXTUREOP and D3DTA values.
enum TextureStageState : std::uint32_t {
    kTssColorOp = 1, kTssColorArg1 = 2, kTssColorArg2 = 3,
    kTssAlphaOp = 4, kTssAlphaArg1 = 5, kTssAlphaArg2 = 6,
};
enum TextureOp : std::uint32_t { kTopDisable = 1, kTopSelectArg1 = 2, kTopSelectArg2 = 3, kTopModulate = 4 };
enum TextureArg : std::uint32_t { kTaDiffuse = 0, kTaCurrent = 1, kTaTexture = 2 };

// D3DTRANSFORMSTATETYPE; world matrix k of vertex blending is kTsWorld + k.
enum TransformState : std::uint32_t { kTsView = 2, kTsProjection = 3, kTsWorld = 256 };
constexpr std::uint32_t world_matrix(std::uint32_t k) { return kTsWorld + k; }

// D3DFVF bits.
enum Fvf : std::uint32_t {
    kFvfXyz = 0x002,
    kFvfXyzB1 = 0x006,
    kFvfXyzB2 = 0x008,
    kFvfXyzB3 = 0x00A,
    kFvfXyzB4 = 0x00C,
    kFvfPositionMask = 0x00E,
    kFvfNormal = 0x010,
    kFvfDiffuse = 0x040,
    kFvfTex1 = 0x100,
    kFvfLastBetaUbyte4 = 0x1000,
};

enum PrimitiveType : std::uint32_t { kPtPointList = 1, kPtLineList = 2, kPtTriangleList = 4, kPtTriangleStrip = 5 };

enum ClearFlags : std::uint32_t { kClearTarget = 1, kClearZBuffer = 2, kClearStencil = 4 };

enum TextureFilter : std::uint32_t { kTexfNone = 0, kTexfPoint = 1, kTexfLinear = 2 };

enum DeviceType : std::uint32_t { kDevTypeHal = 1, kDevTypeRef = 2 };

enum CreateFlags : std::uint32_t {
    kCreateSoftwareVertexProcessing = 0x20,
    kCreateHardwareVertexProcessing = 0x40,
    kCreateMixedVertexProcessing = 0x80,
};

enum Usage : std::uint32_t { kUsageRenderTarget = 0x1, kUsageDepthStencil = 0x2 };
enum Pool : std::uint32_t { kPoolDefault = 0, kPoolManaged = 1 };

// HRESULTs of Direct3D and D3DX that the program's own stand-ins give (as int32 HResults).
constexpr std::int32_t kD3DErrInvalidCall = static_cast<std::int32_t>(0x8876086Cu);   // D3DERR_INVALIDCALL
constexpr std::int32_t kD3DXErrInvalidData = static_cast<std::int32_t>(0x88760B59u);  // D3DXERR_INVALIDDATA

constexpr std::uint32_t kD3DSdkVersion = 31;
constexpr std::uint32_t kD3DXDefault = 0xFFFFFFFFu;  // D3DX_DEFAULT

}  // namespace brine
