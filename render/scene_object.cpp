// Scene-object construction and transforms.
#include "render/scene_object.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/board.h"
#include "render/camera.h"
#include "render/d3dx_math.h"
#include "render/mesh_hooks.h"

namespace brine {

namespace {

constexpr float kHalfPi = 1.570796f;

float wrap_once(float a) {
    if (a < 0.0f) return a + kTwoPi;
    if (a > kTwoPi) return a - kTwoPi;
    return a;
}

}  // namespace

SceneObject::SceneObject() {
    material.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    world = matrix_identity();
}

void SceneObject::attach_board(const ResourceRegistry& registry, const char* name) {
    drawableKind = kDrawBoard;
    ResourceNode* found = registry.find_resource(name);
    // Another kind under that name would be drawn as vertices it does not have.
    drawable = found && found->kind == kResourceBoard ? found : nullptr;
}

void SceneObject::attach_mesh(ResourceNode* mesh, MeshHooks* meshes) {
    drawableKind = kDrawMesh;
    drawable = mesh;
    if (mesh && meshes) meshes->reset_mesh_time(*mesh);
}

void SceneObject::set_texture(std::uint32_t stage, const ResourceRegistry& registry, const char* name) {
    if (stage >= 4) return;
    ResourceNode* found = registry.find_resource(name);
    textures[stage] = found && found->kind == kResourceTexture ? static_cast<TextureResource*>(found) : nullptr;
}

void SceneObject::move_by(const Vec3& delta) { position = vec3_add(position, delta); }

void SceneObject::rotate_by(float dx, float dy, float dz) {
    rotation.x = wrap_once(rotation.x + dx);
    rotation.y = wrap_once(rotation.y + dy);
    rotation.z = wrap_once(rotation.z + dz);
}

void SceneObject::build_world_matrix() {
    Matrix m = matrix_scaling(scale.x, scale.y, scale.z);
    m = matrix_multiply(m, matrix_rotation_x(rotation.x));
    m = matrix_multiply(m, matrix_rotation_y(rotation.y));
    m = matrix_multiply(m, matrix_rotation_z(rotation.z));
    world = matrix_multiply(m, matrix_translation(position.x, position.y, position.z));
}

HResult SceneObject::advance_object(float elapsedSeconds, const Camera* camera, MeshHooks* meshes) {
    const Vec3 kept = rotation;
    if (camera && (renderFlags & (kFlagFacePitch | kFlagFaceYaw))) {
        Vec3 v = vec3_subtract(camera->at, camera->eye);
        if (renderFlags & kFlagFaceYaw) rotate_by(0.0f, std::atan2(v.x, v.z), 0.0f);
        if (renderFlags & kFlagFacePitch) rotate_by(std::atan2(v.z, v.y) - kHalfPi, 0.0f, 0.0f);
    }
    build_world_matrix();
    rotation = kept;  // facing the camera turns this frame's matrix only
    // The skinned-mesh side moves its animation on and re-poses its frames under `world`.
    if (drawableKind == kDrawMesh && drawable && meshes)
        meshes->advance_mesh(*drawable, elapsedSeconds, world);
    return kOk;
}

float distance3(const Vec3& a, const Vec3& b) {
    float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

HResult draw_scene_object(SceneObject& object, GraphicsDevice& device, MeshHooks* meshes) {
    if (object.blendMode == kBlendHidden) return kOk;
    const std::uint32_t flags = object.renderFlags;
    device.set_render_state(kRsLighting, (flags & kFlagLighting) ? 1 : 0);
    device.set_render_state(kRsZEnable, (flags & kFlagDepthTest) ? 1 : 0);
    device.set_render_state(kRsCullMode, (flags & kFlagCulling) ? kCullCcw : kCullNone);
    if (flags & kFlagPointFill) {
        device.set_render_state(kRsFillMode, kFillPoint);
        std::uint32_t bits;
        std::memcpy(&bits, &object.pointSize, sizeof bits);
        device.set_render_state(kRsPointSize, bits);
    } else {
        device.set_render_state(kRsFillMode, (flags & kFlagWireframe) ? kFillWireframe : kFillSolid);
    }

    bool blendSet = true;
    switch (object.blendMode) {
        case kBlendOpaque:
            device.set_render_state(kRsAlphaBlendEnable, 0);
            break;
        case kBlendAlpha:
            device.set_render_state(kRsAlphaBlendEnable, 1);
            device.set_render_state(kRsSrcBlend, kBlendSrcAlpha);
            device.set_render_state(kRsDestBlend, kBlendInvSrcAlpha);
            break;
        case kBlendAdditive:
            device.set_render_state(kRsAlphaBlendEnable, 1);
            device.set_render_state(kRsSrcBlend, kBlendOne);
            device.set_render_state(kRsDestBlend, kBlendOne);
            break;
        default:
            blendSet = false;  // unknown modes keep the previous draw's blending and stage states
            break;
    }
    if (blendSet) {
        device.set_texture_stage_state(0, kTssColorOp, kTopModulate);
        device.set_texture_stage_state(0, kTssColorArg1, kTaTexture);
        device.set_texture_stage_state(0, kTssColorArg2, kTaDiffuse);
        device.set_texture_stage_state(0, kTssAlphaOp, kTopModulate);
        device.set_texture_stage_state(0, kTssAlphaArg1, kTaTexture);
        device.set_texture_stage_state(0, kTssAlphaArg2, kTaDiffuse);
    }

    HResult hr = device.set_material(object.material);
    if (failed(hr)) return hr;
    for (std::uint32_t stage = 0; stage < 4; ++stage) {
        if (object.textures[stage]) bind_texture(*object.textures[stage], device, stage);
        else device.set_texture(stage, nullptr);
    }
    device.set_transform(kTsWorld, object.world);

    if (!object.drawable) return kOk;
    if (object.drawableKind == kDrawBoard && object.drawable->kind == kResourceBoard) {
        hr = draw_board(*static_cast<const BoardResource*>(object.drawable), device);
    } else if (object.drawableKind == kDrawMesh && object.drawable->kind == kResourceMesh && meshes) {
        hr = meshes->draw_mesh(device, *object.drawable);
    }
    return failed(hr) ? hr : kOk;
}

HResult build_board(BoardResource& board, float width, float height, bool lying) {
    std::free(board.vertices);
    board.vertices = std::malloc(sizeof(BoardVertex) * kBoardVertexCount);
    if (!board.vertices) return kOutOfMemory;
    BoardVertex v[kBoardVertexCount];
    fill_board_vertices(v, width, height, lying);
    std::memcpy(board.vertices, v, sizeof v);
    board.primitiveType = kPtTriangleStrip;
    board.fvf = kBoardFvf;
    board.stride = kBoardStride;
    board.primitiveCount = kBoardPrimitiveCount;
    return kOk;
}

HResult draw_board(const BoardResource& board, GraphicsDevice& device) {
    if (!board.vertices) return kOk;
    device.set_fvf(board.fvf);
    device.draw_primitive_up(kPtTriangleStrip, board.primitiveCount, board.vertices, board.stride);
    return kOk;
}

HResult bind_texture(const TextureResource& texture, GraphicsDevice& device, std::uint32_t stage) {
    HResult hr = device.set_texture(stage, texture.texture);
    return failed(hr) ? hr : kOk;
}

}  // namespace brine
