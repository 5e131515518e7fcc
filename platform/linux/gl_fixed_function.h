// The one GLSL 330 program that stands in for Direct3D 9's fixed-function pipeline as the program
// uses it: up to four blended world matrices, one directional light in view space with material and
// global ambient, vertex colours, texture stage 0's colour and alpha operations, flat or Gouraud
// shading, Direct3D pixel centres and depth range. Also the small program fonts draw with.
// Linux platform layer only.
#pragma once
#include "platform/linux/gl_device_core.h"

namespace brine {

// Compiles and links a vertex + fragment pair; 0 on failure (the log goes to qWarning).
GLuint build_gl_program(GlFunctions* gl, const char* vertexSource, const char* fragmentSource);

struct FixedFunctionProgram {
    bool build(GlFunctions* gl);
    void destroy(GlFunctions* gl);

    GLuint program = 0;
    // Uniform locations.
    GLint worldView[4] = {-1, -1, -1, -1}, normalMatrix[4] = {-1, -1, -1, -1};
    GLint projection = -1, weightCount = -1;
    GLint hasNormal = -1, hasDiffuse = -1, lighting = -1, normalizeNormals = -1;
    GLint materialDiffuse = -1, materialAmbient = -1, materialEmissive = -1, globalAmbient = -1;
    GLint lightEnabled = -1, lightToward = -1, lightDiffuse = -1, lightAmbient = -1;
    GLint pixelCentre = -1, remapDepth = -1, flatShading = -1, textureBound = -1;
    GLint colourOp = -1, colourArg1 = -1, colourArg2 = -1, alphaOp = -1, alphaArg1 = -1, alphaArg2 = -1;
    GLint opaqueAlpha = -1;
};

// Attribute slots of the fixed-function program.
enum FixedFunctionAttribute : GLuint {
    kAttribPosition = 0, kAttribWeights = 1, kAttribNormal = 2, kAttribDiffuse = 3, kAttribTexCoord = 4,
};

struct TextProgram {
    bool build(GlFunctions* gl);
    void destroy(GlFunctions* gl);

    GLuint program = 0;
    GLint viewportSize = -1, colour = -1, atlasSize = -1;
    // What the uniforms hold, so that a caption repeated every frame sends nothing.
    float sentViewport[2] = {-1, -1}, sentAtlas[2] = {-1, -1};
    std::uint32_t sentColour = 0;
    bool colourSent = false;
};

}  // namespace brine
