// A test-only X-file writer: turns the reader's records back into text, binary (32- or 64-bit
// floats) or MSZIP-compressed files, so tests, seeds and benchmarks can make the same scene in
// every form. Not part of the program; depends on the reader's records and zlib.
#pragma once
#include <cstddef>
#include <string>

#include "fish/xfile_reader.h"

namespace brine {
namespace test {

struct XWriteOptions {
    bool binary = false;
    int floatBits = 32;        // 32 or 64
    bool compoundLists = true; // binary: merge neighbouring values into one list, as D3DX does
};

// Writes frames[0] and its subtree as the one top-level frame, then ticks and animation sets.
// Materials are written inline.
std::string write_xfile(const XFileScene& scene, const XWriteOptions& options = {});

struct XCompressOptions {
    std::size_t chunkBytes = 32768;  // uncompressed bytes per chunk (at most 65535)
    bool chainDictionary = true;     // each chunk may refer back into the one before it
    int level = 6;
};

// Compresses a whole uncompressed X file ("txt " becomes "tzip", "bin " becomes "bzip").
std::string compress_xfile(const std::string& file, const XCompressOptions& options = {});

}  // namespace test
}  // namespace brine
