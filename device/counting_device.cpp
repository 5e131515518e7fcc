// The device that draws nothing and counts what it makes. Must not depend on any platform header.
#include "device/counting_device.h"

#include <new>

#include "device/decoded_image.h"

namespace brine {

namespace {

class CountedVertexBuffer final : public VertexBuffer {
public:
    explicit CountedVertexBuffer(int* live) : live_(live) { ++*live_; }
    void release() override {
        --*live_;
        delete this;
    }

private:
    int* live_;
};

class CountedIndexBuffer final : public IndexBuffer {
public:
    explicit CountedIndexBuffer(int* live) : live_(live) { ++*live_; }
    void release() override {
        --*live_;
        delete this;
    }

private:
    int* live_;
};

class CountedTexture final : public Texture {
public:
    CountedTexture(int* live, std::uint32_t levels) : live_(live), levels_(levels) { ++*live_; }
    void release() override {
        --*live_;
        delete this;
    }
    std::uint32_t level_count() const override { return levels_; }

private:
    int* live_;
    std::uint32_t levels_;
};

}  // namespace

HResult CountingDevice::create_vertex_buffer(const void*, std::uint32_t size, std::uint32_t, VertexBuffer** out) {
    *out = new (std::nothrow) CountedVertexBuffer(&live);
    if (!*out) return kOutOfMemory;
    ++vertexBuffers;
    vertexBytes += size;
    return kOk;
}

HResult CountingDevice::create_index_buffer(const void*, std::uint32_t size, bool, IndexBuffer** out) {
    *out = new (std::nothrow) CountedIndexBuffer(&live);
    if (!*out) return kOutOfMemory;
    ++indexBuffers;
    indexBytes += size;
    return kOk;
}

HResult CountingDevice::create_texture(const DecodedImage& image, std::uint32_t, std::uint32_t, std::uint32_t,
                                       std::uint32_t, Texture** out) {
    *out = new (std::nothrow) CountedTexture(&live, 1 + static_cast<std::uint32_t>(image.mips.size()));
    if (!*out) return kOutOfMemory;
    ++textures;
    return kOk;
}

}  // namespace brine
