#include "platform/linux/gl_fixed_function.h"

#include <QtGlobal>
#include <string>

namespace brine {

namespace {

const char* const kFixedVertex = R"(#version 330 core
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec4 inWeights;
layout(location = 2) in vec3 inNormal;
layout(location = 3) in vec4 inDiffuse;
layout(location = 4) in vec2 inTexCoord;

uniform mat4 worldView[4];     // world matrix k times the view matrix
uniform mat3 normalMatrix[4];  // inverse transpose of each
uniform mat4 projection;
uniform int weightCount;       // weights read from the vertex; one more matrix takes the rest
uniform bool hasNormal;
uniform bool hasDiffuse;
uniform bool lighting;
uniform bool normalizeNormals;
uniform vec4 materialDiffuse;
uniform vec4 materialAmbient;
uniform vec4 materialEmissive;
uniform vec3 globalAmbient;
uniform bool lightEnabled;
uniform vec3 lightToward;      // view space, towards the light, unit length
uniform vec3 lightDiffuse;
uniform vec3 lightAmbient;
uniform vec2 pixelCentre;      // Direct3D samples pixels at integer coordinates
uniform bool remapDepth;       // without clip control GL clips depth to [-w, w]

out vec4 diffuseColour;
flat out vec4 flatColour;
out vec2 texCoord;

void main() {
    vec4 position = vec4(inPosition, 1.0);
    vec4 eye = vec4(0.0);
    vec3 normal = vec3(0.0);
    float rest = 1.0;
    for (int i = 0; i < weightCount; ++i) {
        float w = inWeights[i];
        eye += w * (worldView[i] * position);
        normal += w * (normalMatrix[i] * inNormal);
        rest -= w;
    }
    eye += rest * (worldView[weightCount] * position);
    normal += rest * (normalMatrix[weightCount] * inNormal);

    vec4 colour;
    if (lighting) {
        vec4 cd = hasDiffuse ? inDiffuse : materialDiffuse;
        vec3 rgb = materialAmbient.rgb * globalAmbient + materialEmissive.rgb;
        if (lightEnabled) {
            rgb += materialAmbient.rgb * lightAmbient;
            if (hasNormal) {
                vec3 n = normal;
                if (normalizeNormals && dot(n, n) > 0.0) n = normalize(n);
                rgb += cd.rgb * lightDiffuse * max(dot(n, lightToward), 0.0);
            }
        }
        colour = vec4(clamp(rgb, 0.0, 1.0), clamp(cd.a, 0.0, 1.0));
    } else {
        colour = hasDiffuse ? inDiffuse : vec4(1.0);
    }
    diffuseColour = colour;
    flatColour = colour;
    texCoord = inTexCoord;

    vec4 clip = projection * eye;
    clip.xy += pixelCentre * clip.w;
    if (remapDepth) clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
}
)";

const char* const kFixedFragment = R"(#version 330 core
in vec4 diffuseColour;
flat in vec4 flatColour;
in vec2 texCoord;

uniform bool flatShading;
uniform sampler2D stageTexture;
uniform bool textureBound;
uniform int colourOp;
uniform int colourArg1;
uniform int colourArg2;
uniform int alphaOp;
uniform int alphaArg1;
uniform int alphaArg2;
uniform bool opaqueAlpha;      // over a see-through window: unblended drawing covers fully

out vec4 fragColour;

// D3DTA: 0 diffuse, 1 current (the diffuse colour on stage 0), 2 texture, 3 texture factor
// (white), 4 specular (black: specular is off); 0x10 complement, 0x20 alpha replicate.
vec4 argument(int arg, vec4 diffuse, vec4 texel) {
    int source = arg & 15;
    vec4 v = diffuse;
    if (source == 2) v = texel;
    else if (source == 3) v = vec4(1.0);
    else if (source == 4) v = vec4(0.0);
    if ((arg & 16) != 0) v = vec4(1.0) - v;
    if ((arg & 32) != 0) v = vec4(v.a);
    return v;
}

// D3DTOP 2..10; anything else passes the diffuse colour through.
vec4 operation(int op, vec4 a, vec4 b, vec4 diffuse) {
    if (op == 2) return a;
    if (op == 3) return b;
    if (op == 4) return a * b;
    if (op == 5) return clamp(2.0 * a * b, 0.0, 1.0);
    if (op == 6) return clamp(4.0 * a * b, 0.0, 1.0);
    if (op == 7) return clamp(a + b, 0.0, 1.0);
    if (op == 8) return clamp(a + b - 0.5, 0.0, 1.0);
    if (op == 9) return clamp(2.0 * (a + b - 0.5), 0.0, 1.0);
    if (op == 10) return clamp(a - b, 0.0, 1.0);
    return diffuse;
}

void main() {
    vec4 diffuse = flatShading ? flatColour : diffuseColour;
    if (colourOp == 1) {  // stage 0 disabled: no texturing at all
        fragColour = vec4(diffuse.rgb, opaqueAlpha ? 1.0 : diffuse.a);
        return;
    }
    // An empty stage reads as opaque white: Direct3D's texture argument defaults to R, G, B, A 1.0
    // where no texture is set, so modulating with it leaves the diffuse colour.
    vec4 texel = textureBound ? texture(stageTexture, texCoord) : vec4(1.0);
    vec3 rgb = operation(colourOp, argument(colourArg1, diffuse, texel), argument(colourArg2, diffuse, texel),
                         diffuse).rgb;
    float a = alphaOp == 1 ? diffuse.a
                           : operation(alphaOp, argument(alphaArg1, diffuse, texel),
                                       argument(alphaArg2, diffuse, texel), diffuse).a;
    fragColour = vec4(rgb, opaqueAlpha ? 1.0 : a);
}
)";

const char* const kTextVertex = R"(#version 330 core
layout(location = 0) in vec2 inPosition;  // pixels from the viewport's top left
layout(location = 1) in vec2 inTexel;     // atlas texels
uniform vec2 viewportSize;
uniform vec2 atlasSize;
out vec2 texCoord;
void main() {
    texCoord = inTexel / atlasSize;
    gl_Position = vec4(inPosition.x / viewportSize.x * 2.0 - 1.0, 1.0 - inPosition.y / viewportSize.y * 2.0, 0.0, 1.0);
}
)";

const char* const kTextFragment = R"(#version 330 core
in vec2 texCoord;
uniform sampler2D atlas;
uniform vec4 colour;
out vec4 fragColour;
void main() {
    fragColour = vec4(colour.rgb, colour.a * texture(atlas, texCoord).r);
}
)";

GLuint compile(GlFunctions* gl, GLenum type, const char* source) {
    GLuint shader = gl->glCreateShader(type);
    gl->glShaderSource(shader, 1, &source, nullptr);
    gl->glCompileShader(shader);
    GLint ok = GL_FALSE;
    gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        gl->glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
        qWarning("OpenGL device: shader does not compile: %s", log);
        gl->glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

GLuint build_gl_program(GlFunctions* gl, const char* vertexSource, const char* fragmentSource) {
    GLuint vs = compile(gl, GL_VERTEX_SHADER, vertexSource);
    GLuint fs = compile(gl, GL_FRAGMENT_SHADER, fragmentSource);
    if (!vs || !fs) {
        if (vs) gl->glDeleteShader(vs);
        if (fs) gl->glDeleteShader(fs);
        return 0;
    }
    GLuint program = gl->glCreateProgram();
    gl->glAttachShader(program, vs);
    gl->glAttachShader(program, fs);
    gl->glLinkProgram(program);
    gl->glDeleteShader(vs);
    gl->glDeleteShader(fs);
    GLint ok = GL_FALSE;
    gl->glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        gl->glGetProgramInfoLog(program, sizeof log - 1, nullptr, log);
        qWarning("OpenGL device: program does not link: %s", log);
        gl->glDeleteProgram(program);
        return 0;
    }
    return program;
}

bool FixedFunctionProgram::build(GlFunctions* gl) {
    program = build_gl_program(gl, kFixedVertex, kFixedFragment);
    if (!program) return false;
    auto at = [&](const char* name) { return gl->glGetUniformLocation(program, name); };
    for (int i = 0; i < 4; ++i) {
        const std::string index = "[" + std::to_string(i) + "]";
        worldView[i] = at(("worldView" + index).c_str());
        normalMatrix[i] = at(("normalMatrix" + index).c_str());
    }
    projection = at("projection");
    weightCount = at("weightCount");
    hasNormal = at("hasNormal");
    hasDiffuse = at("hasDiffuse");
    lighting = at("lighting");
    normalizeNormals = at("normalizeNormals");
    materialDiffuse = at("materialDiffuse");
    materialAmbient = at("materialAmbient");
    materialEmissive = at("materialEmissive");
    globalAmbient = at("globalAmbient");
    lightEnabled = at("lightEnabled");
    lightToward = at("lightToward");
    lightDiffuse = at("lightDiffuse");
    lightAmbient = at("lightAmbient");
    pixelCentre = at("pixelCentre");
    remapDepth = at("remapDepth");
    flatShading = at("flatShading");
    textureBound = at("textureBound");
    colourOp = at("colourOp");
    colourArg1 = at("colourArg1");
    colourArg2 = at("colourArg2");
    alphaOp = at("alphaOp");
    alphaArg1 = at("alphaArg1");
    alphaArg2 = at("alphaArg2");
    opaqueAlpha = at("opaqueAlpha");
    gl->glUseProgram(program);
    gl->glUniform1i(at("stageTexture"), 0);
    return true;
}

void FixedFunctionProgram::destroy(GlFunctions* gl) {
    if (program) gl->glDeleteProgram(program);
    program = 0;
}

bool TextProgram::build(GlFunctions* gl) {
    program = build_gl_program(gl, kTextVertex, kTextFragment);
    if (!program) return false;
    viewportSize = gl->glGetUniformLocation(program, "viewportSize");
    colour = gl->glGetUniformLocation(program, "colour");
    atlasSize = gl->glGetUniformLocation(program, "atlasSize");
    gl->glUseProgram(program);
    gl->glUniform1i(gl->glGetUniformLocation(program, "atlas"), 0);
    return true;
}

void TextProgram::destroy(GlFunctions* gl) {
    if (program) gl->glDeleteProgram(program);
    program = 0;
}

}  // namespace brine
