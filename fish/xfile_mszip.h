// The MSZIP framing of compressed X files ("tzip", "bzip"): after the 16-byte header a 32-bit
// total size (header included), then chunks of WORD uncompressed size, WORD compressed size,
// "CK" and raw DEFLATE data. Internal to the X-file reader; depends on zlib only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/result.h"

namespace brine {
namespace xfile {

// Inflates the part of a compressed X file after its header (data starts at the total size)
// into *out, the body of the equivalent uncompressed file. Each chunk is inflated with the
// output before it (up to 32 KiB) as its dictionary: a chunk written against the previous one
// needs it, and one written on its own decodes the same with it. The total must agree with the
// chunks and may not exceed maxBytes + 16. kFail on any inconsistency, kOutOfMemory when
// allocation fails.
HResult inflate_mszip(const std::uint8_t* data, std::size_t size, std::size_t maxBytes,
                      std::vector<std::uint8_t>* out);

}  // namespace xfile
}  // namespace brine
