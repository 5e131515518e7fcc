// ScriptText: a cursor over a zero-terminated Shift-JIS text buffer with the reading primitives
// shared by the catalog "header.bin", the motion scripts and the topics document, and the
// statement driver (key '(' arguments ')' ... End()) that the latter two build on.
// Number conversion here is the C runtime's atol/atof reading, done without the C locale.
// Must not depend on anything but the standard library and data/.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/result.h"
#include "data/pack_file.h"
#include "data/resource_registry.h"

namespace brine {

constexpr std::size_t kTokenSize = 260;  // every token: at most 259 bytes and a terminator
using Token = char[kTokenSize];

// A document's keys, in table order; lookups give the index.
struct KeyTable {
    template <std::size_t N>
    constexpr KeyTable(const char* const (&k)[N]) : keys(k), count(N) {}
    constexpr KeyTable(const char* const* k, std::size_t n) : keys(k), count(n) {}
    const char* const* keys;
    std::size_t count;
};

// Registry kind 6, "TKLIB_SCRIPT"; lives for one parse and is never appended to the registry.
// Every read moves the cursor and leaves it where a failure happened. The byte under the cursor
// is looked at before the end is tested, so a read that starts at the end sees the trailing zero.
class ScriptText : public ResourceNode {
public:
    static constexpr ResourceKind kKind = kResourceScript;

    ScriptText();
    ~ScriptText();

    // Takes the block as the text (its trailing zero is the one reads may look at).
    void set_text(MemoryBlock block);
    // A zero-terminated copy of the bytes; false when memory runs out.
    bool set_text_copy(const void* bytes, std::uint32_t size);
    // load_into_memory of the path and optional member; the text is empty after a failure.
    HResult load(const char* path, const char* member);
    // Frees the buffer; the text becomes empty.
    void release();
    // Where '@' references are looked up; without one every reference fails.
    void set_registry(const ResourceRegistry* registry) { registry_ = registry; }

    bool at_end() const { return cursor_ >= buffer_.size(); }
    // Space, tab, CR and LF; fails when an advance reaches the end.
    bool skip_blanks();
    // Up to the next CR, which stays under the cursor; fails when the end comes first.
    bool skip_comment();
    // Bytes up to the delimiter (which is stepped over, not copied); a Shift-JIS pair is one
    // character whose second byte is never taken for the delimiter. Fails at the end of the data
    // or when the token would not fit in 259 bytes; `out` then holds, terminated, what was read.
    bool read_until(char delimiter, Token& out, std::uint32_t* length = nullptr);
    // A number up to the delimiter, or an '@' reference to an integer (real) value list. A token
    // that does not start with '-' or a digit leaves the output as it was and still succeeds.
    bool read_int(std::int32_t* out, char delimiter);
    bool read_real(float* out, char delimiter);
    // A double-quoted string directly followed by the delimiter, or an '@' reference to a string.
    bool read_string(Token& out, char delimiter, std::uint32_t* length = nullptr);
    // An unquoted field: blanks skipped, then up to the delimiter. `out` gets the text even when
    // the read fails (the end came first, or the field was too long): the bytes read so far.
    bool read_field(char delimiter, std::string* out);
    // Blanks, then one byte, which must be ')'.
    bool expect_close();
    // Index of the first key equal to `key` (exact), or -1.
    static int lookup_key(const char* key, const KeyTable& table);

    // The byte `ahead` places past the cursor; 0 at and past the end.
    unsigned char peek(std::uint32_t ahead = 0) const;
    std::uint32_t size() const { return buffer_.size(); }
    std::uint32_t position() const { return cursor_; }
    const char* text() const { return buffer_.valid() ? buffer_.text() : ""; }

private:
    void advance(std::uint32_t n);
    const ValueList* read_reference(ValueType type, char delimiter);

    MemoryBlock buffer_;
    std::uint32_t cursor_ = 0;  // never beyond size + 1 (a lead byte at the very end)
    const ResourceRegistry* registry_ = nullptr;
};

// Reads the arguments of the statement whose key has this table index; false fails the parse.
using StatementHandler = std::function<bool(int keyIndex, ScriptText& script)>;

// The statement syntax: blanks, "//" comments to the next CR, `key(` with the key looked up in the
// table (the table holds "End"), the key's arguments read by the handler, and End() closing the
// document; text after End() is never read. Gives false on an unknown key, a failed read, or data
// that ends without End(); values stored by earlier statements stay.
bool parse_statements(ScriptText& script, const KeyTable& keys, const StatementHandler& handler);

// atol as the C runtime reads it (blanks, sign, decimal digits, the rest ignored), saturating at
// the 32-bit limits as a 32-bit long does.
std::int32_t atol_value(const char* text);
// atof as the classic C runtime reads it: blanks, sign, digits with an optional point and
// exponent; no hexadecimal, infinity or NaN spellings; out-of-range values become infinity or
// zero. Independent of the C locale's decimal point.
double atof_value(const char* text);
// A double narrowed to float, beyond float's range to infinity (never undefined).
float to_float(double value);

}  // namespace brine
