// Every 3-D drawable (a fish's body, a pellet's board): drawable, textures, blend mode, render
// flags, material and the transform (position, rotation in radians, scale) that rebuilds its
// world matrix each pass; its drawing; and the board geometry held in the registry.
// Skinned meshes are reached only through render/mesh_hooks.h, as registry heads of kind
// kResourceMesh. Must not depend on fish/ or on any platform header.
#pragma once
#include <cstdint>

#include "base/result.h"
#include "data/resource_registry.h"
#include "device/d3d_types.h"
#include "device/graphics_device.h"

namespace brine {

class Camera;
class MeshHooks;

constexpr float kTwoPi = 6.283184f;  // the wrap of rotate_by, as the program has always used it

enum DrawableKind : std::int32_t { kDrawNothing = 0, kDrawBoard = 1, kDrawMesh = 2 };
enum BlendMode : std::int32_t { kBlendHidden = 0, kBlendOpaque = 1, kBlendAlpha = 2, kBlendAdditive = 3 };
enum RenderFlags : std::uint32_t {
    kFlagLighting = 0x1,
    kFlagDepthTest = 0x2,
    kFlagCulling = 0x4,
    kFlagFacePitch = 0x10,  // turn about X towards the camera when advanced with one
    kFlagFaceYaw = 0x20,    // turn about Y towards the camera
    kFlagPointFill = 0x100,
    kFlagWireframe = 0x200,
};

class SceneObject {
public:
    SceneObject();

    // --- what is drawn ---
    // The registry's board of that name; null (kind still 1) when absent or not a board.
    void attach_board(const ResourceRegistry& registry, const char* name);
    // The fish's own mesh; its animation time goes back to 0 through `meshes` (when given).
    void attach_mesh(ResourceNode* mesh, MeshHooks* meshes);
    // Stage 0..3 gets the registry's texture of that name; empty when absent or not a texture.
    void set_texture(std::uint32_t stage, const ResourceRegistry& registry, const char* name);

    // --- appearance ---
    void set_blend_mode(std::int32_t mode) { blendMode = mode; }
    void set_lighting(bool on) { set_flag(kFlagLighting, on); }
    void set_depth_test(bool on) { set_flag(kFlagDepthTest, on); }
    void set_culling(bool on) { set_flag(kFlagCulling, on); }
    void set_face_pitch(bool on) { set_flag(kFlagFacePitch, on); }
    void set_face_yaw(bool on) { set_flag(kFlagFaceYaw, on); }
    void set_wireframe(bool on) { set_flag(kFlagWireframe, on); }
    void set_diffuse(float r, float g, float b, float a) { material.diffuse = {r, g, b, a}; }
    void set_ambient(float r, float g, float b, float a) { material.ambient = {r, g, b, a}; }
    void set_emissive(float r, float g, float b, float a) { material.emissive = {r, g, b, a}; }
    void set_specular(float r, float g, float b, float a, float power) {
        material.specular = {r, g, b, a};
        material.power = power;
    }

    // --- transform (the world matrix follows at the next build_world_matrix) ---
    void set_position(float x, float y, float z) { position = {x, y, z}; }
    void set_rotation(float x, float y, float z) { rotation = {x, y, z}; }
    void set_scale(float x, float y, float z) { scale = {x, y, z}; }
    void move_by(const Vec3& delta);
    // Each axis in the order X, Y, Z: add, then one correction by kTwoPi into 0..kTwoPi.
    void rotate_by(float dx, float dy, float dz);
    // world = Scaling * RotationX * RotationY * RotationZ * Translation.
    void build_world_matrix();
    // The per-pass update: with a camera and a face flag the matrix (only) is turned towards
    // the camera; a mesh object then advances its mesh through `meshes` under the new matrix.
    // Always 0.
    HResult advance_object(float elapsedSeconds, const Camera* camera, MeshHooks* meshes);

    std::int32_t drawableKind = kDrawNothing;
    ResourceNode* drawable = nullptr;       // BoardResource (registry) or a mesh head (tank slot)
    TextureResource* textures[4] = {};      // per stage; null = none
    std::int32_t blendMode = kBlendOpaque;
    std::uint32_t renderFlags = kFlagLighting | kFlagDepthTest | kFlagCulling;
    Material material{};
    Matrix world{};
    Vec3 position{0, 0, 0};
    Vec3 rotation{0, 0, 0};
    Vec3 scale{1, 1, 1};
    float pointSize = 1.0f;

private:
    void set_flag(std::uint32_t bit, bool on) { renderFlags = on ? (renderFlags | bit) : (renderFlags & ~bit); }
};

float distance3(const Vec3& a, const Vec3& b);

// States, blending, material, textures and world transform of the object, then its drawable:
// a board from memory, or a mesh through `meshes`. 0, or the first negative result of the
// material or of the drawing. Blend mode 0 draws and sets nothing.
HResult draw_scene_object(SceneObject& object, GraphicsDevice& device, MeshHooks* meshes);

// Fills the board with the four strip vertices of a width x height quad (upright in x-y or
// lying in x-z), triangle strip, FVF XYZ|TEX1, stride 20, two primitives. A block it held before
// is freed. kOutOfMemory (board left without vertices) when the block cannot be allocated.
HResult build_board(BoardResource& board, float width, float height, bool lying);

// SetFVF and DrawPrimitiveUP as a strip, whatever primitive type is stored; always 0. A board
// without vertices draws nothing.
HResult draw_board(const BoardResource& board, GraphicsDevice& device);

// SetTexture(stage, the entry's texture); the result when negative, else 0.
HResult bind_texture(const TextureResource& texture, GraphicsDevice& device, std::uint32_t stage);

}  // namespace brine
