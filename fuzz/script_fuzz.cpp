// Script text from untrusted bytes: the statement driver with a motion-script-like table and
// value-list references, then every reading primitive driven by opcodes from the input. The
// cursor must stay within the buffer and its terminator, tokens within their 260 bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/resource_registry.h"
#include "data/script_text.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

const char* const kKeys[] = {"FPS", "Scale", "Name", "Track", "TopixText", "End"};

const brine::ResourceRegistry& registry() {
    static brine::ResourceRegistry* r = [] {
        auto* reg = new brine::ResourceRegistry();
        reg->append_resource(brine::ValueList::create_int("i", 7));
        reg->append_resource(brine::ValueList::create_real("r", 0.5f));
        reg->append_resource(brine::ValueList::create_string("s", "str"));
        reg->append_resource(brine::create_resource<brine::TextureResource>("t"));
        return reg;
    }();
    return *r;
}

class FuzzScript : public brine::ScriptText {
public:
    FuzzScript(const std::uint8_t* data, std::size_t size) {
        set_text_copy(data, static_cast<std::uint32_t>(size));
        set_registry(&registry());
    }
    void check_cursor() const { check(position() <= size() + 1); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    {
        FuzzScript s(data, size);
        std::int32_t i = 0;
        float f = 0;
        brine::parse_statements(s, kKeys, [&](int key, brine::ScriptText& in) {
            brine::Token t;
            switch (key) {
                case 0: return in.read_int(&i, ')');
                case 1: return in.read_real(&f, ')');
                case 2: return in.read_string(t, ')') && std::strlen(t) < brine::kTokenSize;
                case 3: return in.read_int(&i, ',') && in.read_int(&i, ',') && in.read_int(nullptr, ')');
                case 4: return in.read_int(&i, ',') && in.read_string(t, ')');
            }
            return false;
        });
        s.check_cursor();
    }

    // Opcodes: the first quarter of the input (at most 32 bytes); the text is all of it.
    std::size_t ops = size / 4 < 32 ? size / 4 : 32;
    FuzzScript s(data, size);
    const char delimiters[] = {',', ')', '(', '"', '\r', '\\', '@'};
    for (std::size_t k = 0; k < ops; ++k) {
        char d = delimiters[(data[k] >> 4) % sizeof delimiters];
        brine::Token t;
        std::uint32_t n = 0;
        std::int32_t iv = 0;
        float fv = 0;
        std::string field;
        switch (data[k] % 10) {
            case 0: s.skip_blanks(); break;
            case 1: s.skip_comment(); break;
            case 2:
                s.read_until(d, t, &n);
                check(n < brine::kTokenSize && std::strlen(t) <= n);
                break;
            case 3: s.read_int(&iv, d); break;
            case 4: s.read_real(&fv, d); break;
            case 5:
                s.read_string(t, d, &n);
                check(n < brine::kTokenSize);
                break;
            case 6:
                s.read_field(d, &field);
                check(field.size() < brine::kTokenSize);
                break;
            case 7: s.expect_close(); break;
            case 8: s.at_end(); break;
            case 9: {
                std::string token(reinterpret_cast<const char*>(data) + k, size - k < 40 ? size - k : 40);
                brine::atol_value(token.c_str());
                brine::to_float(brine::atof_value(token.c_str()));
                break;
            }
        }
        s.check_cursor();
    }
    return 0;
}
