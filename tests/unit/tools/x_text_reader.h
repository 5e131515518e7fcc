// A small reader of the X text that fishgen writes, for the tools tests only: tokens, balanced
// braces, templates skipped, data objects with their flat list of values and their children.
// Deliberately independent of the generator's own types so it checks the text, not the model.
#pragma once
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

namespace brine {
namespace test {

struct XObject {
    std::string type;
    std::string name;
    std::vector<std::string> values;  // numbers and strings (quotes removed), separators dropped
    std::vector<std::string> separators;  // the ';' and ',' in order, for layout checks
    std::vector<std::string> references;  // { Name }
    std::vector<XObject> children;

    double number(size_t i) const { return std::strtod(values.at(i).c_str(), nullptr); }
    long integer(size_t i) const { return std::strtol(values.at(i).c_str(), nullptr, 10); }
    const XObject* child(const std::string& t) const {
        for (const auto& c : children)
            if (c.type == t) return &c;
        return nullptr;
    }
};

class XTextReader {
public:
    // Parses the whole text after the 16-byte header; false with a reason on any malformation.
    bool parse(const std::string& text, std::vector<XObject>* top, std::string* why) {
        if (text.compare(0, 16, "xof 0303txt 0032") != 0) return fail(why, "bad header");
        text_ = text;
        pos_ = 16;
        while (true) {
            Token t = next();
            if (t.kind == Token::End) return true;
            if (t.kind == Token::Error) return fail(why, "bad token at " + std::to_string(pos_));
            if (t.kind != Token::Word) return fail(why, "expected an object at " + std::to_string(pos_));
            if (t.text == "template") {
                if (!skip_template()) return fail(why, "unbalanced template");
                continue;
            }
            XObject obj;
            if (!parse_object(t.text, &obj, why)) return false;
            top->push_back(obj);
        }
    }

private:
    struct Token {
        enum Kind { Word, Number, String, Open, Close, Semi, Comma, Guid, Bracket, End, Error } kind;
        std::string text;
    };

    static bool fail(std::string* why, const std::string& reason) {
        if (why) *why = reason;
        return false;
    }

    Token next() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (c == '#' || (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/')) {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
            } else {
                break;
            }
        }
        if (pos_ >= text_.size()) return {Token::End, ""};
        char c = text_[pos_];
        if (c == '{') return ++pos_, Token{Token::Open, "{"};
        if (c == '}') return ++pos_, Token{Token::Close, "}"};
        if (c == ';') return ++pos_, Token{Token::Semi, ";"};
        if (c == ',') return ++pos_, Token{Token::Comma, ","};
        if (c == '[' || c == ']') return ++pos_, Token{Token::Bracket, std::string(1, c)};
        if (c == '<') {
            size_t end = text_.find('>', pos_);
            if (end == std::string::npos) return {Token::Error, ""};
            Token t{Token::Guid, text_.substr(pos_, end - pos_ + 1)};
            pos_ = end + 1;
            return t;
        }
        if (c == '"') {
            size_t end = text_.find('"', pos_ + 1);
            if (end == std::string::npos) return {Token::Error, ""};
            Token t{Token::String, text_.substr(pos_ + 1, end - pos_ - 1)};
            pos_ = end + 1;
            return t;
        }
        size_t start = pos_;
        if (c == '-' || c == '.' || std::isdigit(static_cast<unsigned char>(c))) {
            while (pos_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.' ||
                                           text_[pos_] == '-' || text_[pos_] == 'e' || text_[pos_] == '+'))
                ++pos_;
            return {Token::Number, text_.substr(start, pos_ - start)};
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
                ++pos_;
            return {Token::Word, text_.substr(start, pos_ - start)};
        }
        return {Token::Error, std::string(1, c)};
    }

    bool skip_template() {
        int depth = 0;
        while (true) {
            Token t = next();
            if (t.kind == Token::End || t.kind == Token::Error) return false;
            if (t.kind == Token::Open) ++depth;
            if (t.kind == Token::Close && --depth == 0) return true;
        }
    }

    bool parse_object(const std::string& type, XObject* obj, std::string* why) {
        obj->type = type;
        Token t = next();
        if (t.kind == Token::Word) {
            obj->name = t.text;
            t = next();
        }
        if (t.kind != Token::Open) return fail(why, "expected { after " + type);
        while (true) {
            t = next();
            switch (t.kind) {
            case Token::Close: return true;
            case Token::Number:
            case Token::String: obj->values.push_back(t.text); break;
            case Token::Semi:
            case Token::Comma: obj->separators.push_back(t.text); break;
            case Token::Open: {
                Token name = next();
                Token close = next();
                if (name.kind != Token::Word || close.kind != Token::Close) return fail(why, "bad reference in " + type);
                obj->references.push_back(name.text);
                break;
            }
            case Token::Word: {
                XObject child;
                if (!parse_object(t.text, &child, why)) return false;
                obj->children.push_back(child);
                break;
            }
            default: return fail(why, "unexpected token in " + type + " at " + std::to_string(pos_));
            }
        }
    }

    std::string text_;
    size_t pos_ = 0;
};

}  // namespace test
}  // namespace brine
