// Shader assembler and effect check (text and compiled) over untrusted "initialize.pak" members:
// any bytes, any size, with or without a terminator. The token buffer must stay bounded by the
// text and be empty on refusal.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "render/shader_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    std::vector<std::uint32_t> tokens;
    brine::HResult hr = brine::assemble_shader(text, size, &tokens);
    if (brine::failed(hr) && !tokens.empty()) std::abort();
    if (brine::succeeded(hr) && (tokens.size() < 2 || tokens.size() > size + 2)) std::abort();
    brine::check_effect(text, size);  // text or compiled, by the first word
    return 0;
}
