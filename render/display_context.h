// The display: the graphics system, the one device on the desktop window, its capabilities and
// presentation parameters, and the start-up shaders and effect; `init_direct3d` brings them up.
// Time and random numbers come in explicitly. Must not depend on any platform header: the
// device is reached only through device/graphics_device.h.
#pragma once
#include <cstdint>

#include "base/clock.h"
#include "base/crt_rand.h"
#include "base/result.h"
#include "device/graphics_device.h"

namespace brine {

constexpr int kVertexShaderSlots = 4;  // VertexShaderSlots
constexpr std::uint32_t kD3DXShaderDebug = 1;

// One per process; plain fields. Whoever calls init_direct3d owns what it leaves here:
// release_display_objects (or the next init_direct3d) releases it.
struct DisplayContext {
    GraphicsSystem* direct3d = nullptr;
    GraphicsDevice* device = nullptr;
    DeviceCaps caps{};                 // adapter 0, HAL, read before the device exists
    PresentParams presentParams{};     // exactly as passed to create_device; Reset reuses it
    WindowHandle deviceWindow = nullptr;
    std::int32_t deviceWidth = 0, deviceHeight = 0;
    VertexShader* vertexShaders[kVertexShaderSlots] = {};
    Effect* effect = nullptr;
};

// What init_direct3d needs from outside besides its arguments.
struct DisplayServices {
    GraphicsPlatform* platform = nullptr;  // Direct3DCreate9
    Clock* clock = nullptr;                // the seed of the random generator
    CrtRand* rand = nullptr;
    const char* initializePack = "initialize.pak";  // read with load_into_memory, member by member
};

// Brings the display up on `window` with a back buffer of width x height (always windowed in
// this program; windowed 0 asks for full screen). 0 on success with every field valid; E_FAIL
// when no graphics system, display mode or device combination is available or a member of
// "initialize.pak" is missing; the assembler's, effect check's or device's own code otherwise.
// Objects of an earlier call are released first; on failure what was created stays in the
// context (released by the next call or by release_display_objects).
//
// Device search: device types HAL then REF (REF first when the HAL reports no pixel shaders),
// vertex processing hardware, mixed, software (mixed first when vertex shader 1.1 is missing):
// every type is tried with every mode from the starting one; the first device made wins.
HResult init_direct3d(DisplayContext& display, const DisplayServices& services, WindowHandle window,
                      std::int32_t width, std::int32_t height, std::int32_t windowed);

// Releases the effect, the shaders, the device and the graphics system, in that order, and
// empties the context's object fields. Safe on an empty context.
void release_display_objects(DisplayContext& display);

// Only the graphics system (the teardown that precedes a rebuild releases just this).
void release_graphics_system(DisplayContext& display);

}  // namespace brine
