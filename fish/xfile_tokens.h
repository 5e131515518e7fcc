// Tokenisers for the body of an X file (after its 16-byte header), text and binary, behind one
// stream of tokens so the object reader does not care which it reads. Internal to the X-file
// reader; depends on nothing but the standard library.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace brine {
namespace xfile {

enum class TokenKind : std::uint8_t {
    End,         // no more data
    Error,       // malformed or truncated data: reading must stop
    Word,        // a name (text: any bare word, numbers included; binary: NAME)
    String,      // quoted text / binary STRING, without its quotes
    Number,      // binary only: one element of INTEGER, INTEGER_LIST or FLOAT_LIST
    Guid,        // <...> / binary GUID
    OpenBrace,
    CloseBrace,
    Separator,   // ';' or ','
    Template,    // the keyword "template" / binary TEMPLATE
    Other,       // anything else that only template declarations use
};

struct Token {
    TokenKind kind = TokenKind::End;
    const char* text = nullptr;  // Word, String: the bytes in the buffer
    std::size_t length = 0;
    bool isFloat = false;        // Number: which of the two values holds it
    std::uint32_t intValue = 0;
    double floatValue = 0.0;

    std::string str() const { return std::string(text, length); }
    bool is(const char* word) const;  // a Word equal to word
};

class Tokenizer {
public:
    // floatBytes is 4 or 8 (binary float lists only). The buffer must outlive the tokenizer.
    void start(const std::uint8_t* data, std::size_t size, bool binary, int floatBytes);

    Token next();

    // An upper bound on the number of values (numbers) that the rest of the data can hold, for
    // checking counts before anything is reserved for them.
    std::size_t max_values_left() const;

    bool binary() const { return binary_; }

private:
    Token next_text();
    Token next_binary();

    const std::uint8_t* p_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    bool binary_ = false;
    int floatBytes_ = 4;
    std::uint32_t listLeft_ = 0;  // elements of the current binary list not yet returned
    bool listIsFloat_ = false;
};

// Text numbers, lenient about what exporters write: "1.#IND00", "-1.#QNAN0" and "1.#INF00"
// (the C runtime's spellings of non-numbers) read as 0, as does any other non-finite value.
bool parse_text_float(const char* text, std::size_t length, double* out);
// A non-negative whole number that fits 32 bits ("12", also "12.0").
bool parse_text_uint(const char* text, std::size_t length, std::uint32_t* out);

}  // namespace xfile
}  // namespace brine
