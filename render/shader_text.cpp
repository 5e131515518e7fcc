// Vertex-shader assembler and effect-text checks. Line oriented, no allocation beyond the
// token buffer, which grows with the text and never beyond one token per input line plus two.
#include "render/shader_text.h"

#include "render/compiled_effect.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace brine {

namespace {

struct Opcode {
    const char* name;
    std::uint32_t code;  // D3DSIO_*
    int sources;
};

constexpr Opcode kOpcodes[] = {
    {"nop", 0, 0},   {"mov", 1, 1},   {"add", 2, 2},   {"sub", 3, 2},   {"mad", 4, 3},   {"mul", 5, 2},
    {"rcp", 6, 1},   {"rsq", 7, 1},   {"dp3", 8, 2},   {"dp4", 9, 2},   {"min", 10, 2},  {"max", 11, 2},
    {"slt", 12, 2},  {"sge", 13, 2},  {"exp", 14, 1},  {"log", 15, 1},  {"lit", 16, 1},  {"dst", 17, 2},
    {"frc", 19, 1},  {"m4x4", 20, 2}, {"m4x3", 21, 2}, {"m3x4", 22, 2}, {"m3x3", 23, 2}, {"m3x2", 24, 2},
    {"expp", 78, 1}, {"logp", 79, 1},
};
constexpr std::uint32_t kOpDcl = 31;
constexpr std::uint32_t kOpDef = 81;

const char* const kDeclUsages[] = {"position", "blendweight", "blendindices", "normal",  "psize",
                                   "texcoord", "tangent",     "binormal",     "tessfactor", "positiont",
                                   "color",    "fog",         "depth",        "sample"};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// Whole string is a decimal number 0..limit-1 (no sign, at most three digits).
bool parse_index(const std::string& s, int limit, int* out) {
    if (s.empty() || s.size() > 3) return false;
    int v = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        v = v * 10 + (c - '0');
    }
    if (v >= limit) return false;
    *out = v;
    return true;
}

enum class RegKind { Input, Temp, Const, Address, OutPos, OutColor, OutTex, OutFog, OutPts };

struct Register {
    RegKind kind;
    std::string suffix;  // the text after the '.', lower case
};

// "c[a0.x + 5]", "c[ 5 + a0.x ]", "c[a0.x]".
bool parse_relative(const std::string& inside) {
    std::string s;
    for (char c : inside)
        if (!std::isspace(static_cast<unsigned char>(c))) s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    int n = 0;
    if (s == "a0.x") return true;
    if (s.compare(0, 5, "a0.x+") == 0) return parse_index(s.substr(5), 256, &n);
    std::size_t plus = s.find('+');
    if (plus == std::string::npos) return false;
    return s.substr(plus + 1) == "a0.x" && parse_index(s.substr(0, plus), 256, &n);
}

bool parse_register(const std::string& text, Register* reg) {
    std::string s = trim(text);
    std::size_t dot = std::string::npos;
    std::string base;
    if (s.size() > 1 && (s[0] == 'c' || s[0] == 'C') && s[1] == '[') {
        std::size_t close = s.find(']');
        if (close == std::string::npos || !parse_relative(s.substr(2, close - 2))) return false;
        reg->kind = RegKind::Const;
        dot = close + 1;
        if (dot < s.size() && s[dot] != '.') return false;
    } else {
        dot = s.find('.');
        base = lower(s.substr(0, dot));
        if (base.empty()) return false;
        int n = 0;
        if (base == "opos") reg->kind = RegKind::OutPos;
        else if (base == "ofog") reg->kind = RegKind::OutFog;
        else if (base == "opts") reg->kind = RegKind::OutPts;
        else if (base == "a0") reg->kind = RegKind::Address;
        else if (base.compare(0, 2, "od") == 0 && parse_index(base.substr(2), 2, &n)) reg->kind = RegKind::OutColor;
        else if (base.compare(0, 2, "ot") == 0 && parse_index(base.substr(2), 8, &n)) reg->kind = RegKind::OutTex;
        else if (base[0] == 'v' && parse_index(base.substr(1), 16, &n)) reg->kind = RegKind::Input;
        else if (base[0] == 'r' && parse_index(base.substr(1), 12, &n)) reg->kind = RegKind::Temp;
        else if (base[0] == 'c' && parse_index(base.substr(1), 256, &n)) reg->kind = RegKind::Const;
        else return false;
    }
    reg->suffix = dot == std::string::npos || dot >= s.size() ? "" : lower(s.substr(dot + 1));
    if (dot != std::string::npos && dot < s.size() && reg->suffix.empty()) return false;  // a bare '.'
    return true;
}

int component(char c) {
    switch (c) {
        case 'x': case 'r': return 0;
        case 'y': case 'g': return 1;
        case 'z': case 'b': return 2;
        case 'w': case 'a': return 3;
        default: return -1;
    }
}

bool valid_swizzle(const std::string& s) {
    if (s.size() > 4) return false;
    for (char c : s)
        if (component(c) < 0) return false;
    return true;
}

// Write masks name each component at most once, in x y z w order.
bool valid_mask(const std::string& s) {
    if (s.size() > 4) return false;
    int last = -1;
    for (char c : s) {
        int k = component(c);
        if (k <= last) return false;
        last = k;
    }
    return true;
}

bool parse_destination(const std::string& text, std::uint32_t opcode, Register* reg) {
    if (!parse_register(text, reg) || !valid_mask(reg->suffix)) return false;
    switch (reg->kind) {
        case RegKind::Temp: case RegKind::OutPos: case RegKind::OutColor: case RegKind::OutTex:
        case RegKind::OutFog: case RegKind::OutPts:
            return true;
        case RegKind::Address:
            return opcode == 1;  // only mov writes a0 in vs 1.1
        default:
            return false;
    }
}

bool parse_source(const std::string& text) {
    std::string s = trim(text);
    if (!s.empty() && s[0] == '-') s = s.substr(1);
    Register reg;
    if (!parse_register(s, &reg) || !valid_swizzle(reg.suffix)) return false;
    return reg.kind == RegKind::Input || reg.kind == RegKind::Temp || reg.kind == RegKind::Const;
}

bool parse_float(const std::string& text) {
    std::string s = trim(text);
    if (s.empty()) return false;
    if (s.back() == 'f' || s.back() == 'F') s.pop_back();
    char* end = nullptr;
    std::strtod(s.c_str(), &end);
    return end != s.c_str() && *end == '\0';
}

std::vector<std::string> split_operands(const std::string& s) {
    std::vector<std::string> out;
    if (trim(s).empty()) return out;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = s.find(',', start);
        out.push_back(trim(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

bool parse_declaration(const std::string& mnemonic, const std::vector<std::string>& operands) {
    std::string usage = mnemonic.substr(4);
    while (!usage.empty() && std::isdigit(static_cast<unsigned char>(usage.back()))) usage.pop_back();
    if (mnemonic.size() - 4 - usage.size() > 2) return false;  // usage index 0..99
    bool known = false;
    for (const char* u : kDeclUsages) known = known || usage == u;
    if (!known || operands.size() != 1) return false;
    Register reg;
    return parse_register(operands[0], &reg) && reg.kind == RegKind::Input && valid_mask(reg.suffix);
}

// One statement, comments already removed. Appends its token.
bool parse_statement(const std::string& line, bool* sawVersion, std::vector<std::uint32_t>* tokens) {
    std::size_t i = 0;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    std::string mnemonic = lower(line.substr(0, i));
    std::vector<std::string> operands = split_operands(line.substr(i));

    if (!*sawVersion) {
        std::uint32_t token = 0;
        if (mnemonic == "vs.1.1" || mnemonic == "vs_1_1") token = 0xFFFE0101u;
        else if (mnemonic == "vs.1.0" || mnemonic == "vs_1_0") token = 0xFFFE0100u;
        if (!token || !operands.empty()) return false;
        tokens->push_back(token);
        *sawVersion = true;
        return true;
    }
    if (mnemonic.compare(0, 4, "dcl_") == 0) {
        if (!parse_declaration(mnemonic, operands)) return false;
        tokens->push_back(kOpDcl);
        return true;
    }
    if (mnemonic == "def") {
        Register reg;
        if (operands.size() != 5 || !parse_register(operands[0], &reg) || reg.kind != RegKind::Const ||
            !reg.suffix.empty() || operands[0].find('[') != std::string::npos)
            return false;
        for (int k = 1; k < 5; ++k)
            if (!parse_float(operands[k])) return false;
        tokens->push_back(kOpDef);
        return true;
    }
    for (const Opcode& op : kOpcodes) {
        if (mnemonic != op.name) continue;
        if (op.sources == 0) {
            if (!operands.empty()) return false;
        } else {
            Register dst;
            if (static_cast<int>(operands.size()) != op.sources + 1 || !parse_destination(operands[0], op.code, &dst))
                return false;
            for (int k = 1; k <= op.sources; ++k)
                if (!parse_source(operands[k])) return false;
        }
        tokens->push_back(op.code);
        return true;
    }
    return false;
}

}  // namespace

HResult assemble_shader(const char* text, std::size_t size, std::vector<std::uint32_t>* tokens) {
    tokens->clear();
    if (!text) return kInvalidData;
    std::size_t n = 0;
    while (n < size && text[n] != '\0') ++n;

    bool sawVersion = false, inBlockComment = false;
    std::string statement;
    std::size_t pos = 0;
    while (pos < n) {
        std::size_t end = pos;
        while (end < n && text[end] != '\n' && text[end] != '\r') ++end;
        // Strip comments from this line, carrying a block comment across lines.
        statement.clear();
        for (std::size_t k = pos; k < end; ++k) {
            if (inBlockComment) {
                if (text[k] == '*' && k + 1 < end && text[k + 1] == '/') {
                    inBlockComment = false;
                    ++k;
                }
                continue;
            }
            if (text[k] == ';' || (text[k] == '/' && k + 1 < end && text[k + 1] == '/')) break;
            if (text[k] == '/' && k + 1 < end && text[k + 1] == '*') {
                inBlockComment = true;
                ++k;
                statement += ' ';
                continue;
            }
            statement += text[k];
        }
        std::string line = trim(statement);
        if (!line.empty() && !parse_statement(line, &sawVersion, tokens)) {
            tokens->clear();
            return kInvalidData;
        }
        pos = end + 1;
    }
    if (!sawVersion || inBlockComment) {
        tokens->clear();
        return kInvalidData;
    }
    tokens->push_back(kShaderEndToken);
    return kOk;
}

HResult check_effect_text(const char* text, std::size_t size) {
    if (!text) return kInvalidData;
    std::size_t n = 0;
    while (n < size && text[n] != '\0') ++n;

    // Open brackets as a stack of small depth counts; the kinds must match on closing.
    std::string open;
    int techniques = 0;
    int techniqueDepth = -1;     // depth of the open technique's body, -1 when none
    int passesInTechnique = 0;
    enum class Expect { Nothing, TechniqueBody, PassBody } expect = Expect::Nothing;

    std::size_t i = 0;
    while (i < n) {
        char c = text[i];
        if (c == '/' && i + 1 < n && text[i + 1] == '/') {
            while (i < n && text[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            std::size_t close = i + 2;
            while (close + 1 < n && !(text[close] == '*' && text[close + 1] == '/')) ++close;
            if (close + 1 >= n) return kInvalidData;  // unterminated comment
            i = close + 2;
            continue;
        }
        if (c == '"') {
            ++i;
            while (i < n && text[i] != '"' && text[i] != '\n') ++i;
            if (i >= n || text[i] != '"') return kInvalidData;
            ++i;
            continue;
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t start = i;
            while (i < n && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) ++i;
            std::string word(text + start, i - start);
            int depth = static_cast<int>(open.size());
            if (word == "technique" && depth == 0 && expect == Expect::Nothing) expect = Expect::TechniqueBody;
            else if (word == "pass" && techniqueDepth >= 0 && depth == techniqueDepth && expect == Expect::Nothing)
                expect = Expect::PassBody;
            // A name after the keyword is allowed; anything but '{' or annotations after it is not.
            continue;
        }
        if (c == '<' && expect != Expect::Nothing) {  // annotations: skip to the matching '>'
            while (i < n && text[i] != '>') ++i;
            if (i >= n) return kInvalidData;
            ++i;
            continue;
        }
        if (c == '{' || c == '(' || c == '[') {
            if (c == '{' && expect == Expect::TechniqueBody) {
                ++techniques;
                techniqueDepth = static_cast<int>(open.size()) + 1;
                passesInTechnique = 0;
            } else if (c == '{' && expect == Expect::PassBody) {
                ++passesInTechnique;
            } else if (expect != Expect::Nothing) {
                return kInvalidData;  // "technique (" and the like
            }
            expect = Expect::Nothing;
            open += c;
            ++i;
            continue;
        }
        if (c == '}' || c == ')' || c == ']') {
            char want = c == '}' ? '{' : c == ')' ? '(' : '[';
            if (open.empty() || open.back() != want || expect != Expect::Nothing) return kInvalidData;
            if (c == '}' && static_cast<int>(open.size()) == techniqueDepth) {
                if (passesInTechnique == 0) return kInvalidData;
                techniqueDepth = -1;
            }
            open.pop_back();
            ++i;
            continue;
        }
        if (!std::isspace(static_cast<unsigned char>(c)) && expect != Expect::Nothing) return kInvalidData;
        ++i;
    }
    if (!open.empty() || expect != Expect::Nothing || techniques == 0) return kInvalidData;
    return kOk;
}

HResult check_effect(const char* data, std::size_t size) {
    return is_compiled_effect(data, size) ? check_compiled_effect(data, size) : check_effect_text(data, size);
}

}  // namespace brine
