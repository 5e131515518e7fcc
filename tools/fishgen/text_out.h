// Text output helpers for the generated files: one fixed float format everywhere (so the bytes
// never depend on locale or on how a value was computed beyond six decimals) and CR LF lines
// for the program's own scripts. Must not depend on the program's own code.
#pragma once
#include <string>
#include <vector>

namespace brine {
namespace fishgen {

// "%.6f" (or the given decimals), with a negative zero written as zero.
std::string format_real(double value, int decimals = 6);
// The same, appended to a string without a temporary.
void append_real(std::string* out, double value, int decimals = 6);

class TextOut {
public:
    explicit TextOut(const char* lineEnd = "\n") : lineEnd_(lineEnd) {}
    TextOut& operator<<(const std::string& s) {
        text_ += s;
        return *this;
    }
    TextOut& operator<<(const char* s) {
        text_ += s;
        return *this;
    }
    TextOut& operator<<(char c) {
        text_ += c;
        return *this;
    }
    TextOut& operator<<(int v) {
        text_ += std::to_string(v);
        return *this;
    }
    TextOut& operator<<(size_t v) {
        text_ += std::to_string(v);
        return *this;
    }
    void line(const std::string& s = std::string()) {
        text_ += s;
        text_ += lineEnd_;
    }
    void end_line() { text_ += lineEnd_; }
    const std::string& text() const { return text_; }
    std::vector<unsigned char> bytes() const { return std::vector<unsigned char>(text_.begin(), text_.end()); }

private:
    std::string text_;
    const char* lineEnd_;
};

}  // namespace fishgen
}  // namespace brine
