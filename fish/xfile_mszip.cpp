// MSZIP chunks of compressed X files, inflated with zlib. The output never grows past the size
// the file announces, and that size is bounded before anything is allocated.
// Depends on zlib and the standard library only.
#include "fish/xfile_mszip.h"

#include <zlib.h>

#include <algorithm>
#include <new>

namespace brine {
namespace xfile {

namespace {

constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kWindowBytes = 32768;

std::uint32_t load16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t load32(const std::uint8_t* p) {
    return load16(p) | (load16(p + 2) << 16);
}

class Inflater {
public:
    ~Inflater() {
        if (ready_) inflateEnd(&z_);
    }
    int init() {
        int rc = inflateInit2(&z_, -15);
        ready_ = rc == Z_OK;
        return rc;
    }
    z_stream& z() { return z_; }

private:
    z_stream z_{};
    bool ready_ = false;
};

}  // namespace

HResult inflate_mszip(const std::uint8_t* data, std::size_t size, std::size_t maxBytes,
                      std::vector<std::uint8_t>* out) {
    out->clear();
    if (size < 4) return kFail;
    std::uint32_t total = load32(data);
    if (total < kHeaderBytes || total - kHeaderBytes > maxBytes) return kFail;
    const std::size_t expected = total - kHeaderBytes;
    // A chunk of n bytes costs six bytes of framing and at least one of data, and DEFLATE
    // expands no byte past 1032 of output: a smaller file cannot hold what it announces.
    if (expected / 1032 > size) return kFail;

    Inflater inflater;
    int rc = inflater.init();
    if (rc == Z_MEM_ERROR) return kOutOfMemory;
    if (rc != Z_OK) return kFail;
    z_stream& z = inflater.z();

    try {
        out->reserve(std::min<std::size_t>(expected, 1u << 20));
        std::size_t pos = 4;
        bool first = true;
        while (out->size() < expected) {
            if (size - pos < 6) return kFail;
            std::uint32_t chunkOut = load16(data + pos);
            std::uint32_t chunkIn = load16(data + pos + 2);
            if (chunkIn < 2 || chunkIn > size - pos - 4) return kFail;
            if (data[pos + 4] != 'C' || data[pos + 5] != 'K') return kFail;
            if (chunkOut == 0 || chunkOut > expected - out->size()) return kFail;

            if (!first) {
                if (inflateReset(&z) != Z_OK) return kFail;
                std::size_t dict = std::min(kWindowBytes, out->size());
                if (inflateSetDictionary(&z, out->data() + out->size() - dict,
                                         static_cast<uInt>(dict)) != Z_OK) {
                    return kFail;
                }
            }
            first = false;

            std::size_t at = out->size();
            out->resize(at + chunkOut);
            z.next_in = const_cast<Bytef*>(data + pos + 6);
            z.avail_in = chunkIn - 2;
            z.next_out = out->data() + at;
            z.avail_out = chunkOut;
            rc = inflate(&z, Z_SYNC_FLUSH);
            if (rc == Z_MEM_ERROR) return kOutOfMemory;
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return kFail;
            // A chunk must fill exactly what its header announces.
            if (z.avail_out != 0) return kFail;
            pos += 4 + chunkIn;
        }
    } catch (const std::bad_alloc&) {
        out->clear();
        return kOutOfMemory;
    }
    return kOk;
}

}  // namespace xfile
}  // namespace brine
