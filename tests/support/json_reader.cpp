#include "support/json_reader.hpp"

#include <charconv>
#include <cstdint>

namespace quirelle::testing {

namespace {

// Deep enough for anything the program writes, shallow enough that a hostile text cannot
// exhaust the stack.
constexpr int kMaximumDepth = 64;

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document() {
        std::optional<JsonValue> value = Value(0);
        SkipBlanks();
        if (!value || at_ != text_.size()) {
            return std::nullopt;
        }
        return value;
    }

  private:
    void SkipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r')) {
            ++at_;
        }
    }

    bool Take(char c) {
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool Literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    std::optional<JsonValue> Value(int depth) {
        if (depth > kMaximumDepth) {
            return std::nullopt;
        }
        SkipBlanks();
        if (at_ >= text_.size()) {
            return std::nullopt;
        }
        JsonValue value;
        const char c = text_[at_];
        if (c == '{') {
            ++at_;
            value.kind = JsonValue::Kind::Object;
            if (Take('}')) {
                return value;
            }
            do {
                SkipBlanks();
                std::optional<std::string> name = String();
                if (!name || !Take(':')) {
                    return std::nullopt;
                }
                std::optional<JsonValue> member = Value(depth + 1);
                if (!member) {
                    return std::nullopt;
                }
                value.object[*name] = std::move(*member);
            } while (Take(','));
            return Take('}') ? std::optional(value) : std::nullopt;
        }
        if (c == '[') {
            ++at_;
            value.kind = JsonValue::Kind::Array;
            if (Take(']')) {
                return value;
            }
            do {
                std::optional<JsonValue> element = Value(depth + 1);
                if (!element) {
                    return std::nullopt;
                }
                value.array.push_back(std::move(*element));
            } while (Take(','));
            return Take(']') ? std::optional(value) : std::nullopt;
        }
        if (c == '"') {
            std::optional<std::string> string = String();
            if (!string) {
                return std::nullopt;
            }
            value.kind = JsonValue::Kind::String;
            value.string = std::move(*string);
            return value;
        }
        if (Literal("true")) {
            value.kind = JsonValue::Kind::Boolean;
            value.boolean = true;
            return value;
        }
        if (Literal("false")) {
            value.kind = JsonValue::Kind::Boolean;
            return value;
        }
        if (Literal("null")) {
            return value;
        }
        const char* begin = text_.data() + at_;
        const auto [end, error] = std::from_chars(begin, text_.data() + text_.size(), value.number);
        if (error != std::errc() || *begin == '+') {
            return std::nullopt;
        }
        at_ += static_cast<std::size_t>(end - begin);
        value.kind = JsonValue::Kind::Number;
        return value;
    }

    std::optional<unsigned> Hex4() {
        if (at_ + 4 > text_.size()) {
            return std::nullopt;
        }
        unsigned code = 0;
        const auto [end, error] =
            std::from_chars(text_.data() + at_, text_.data() + at_ + 4, code, 16);
        if (error != std::errc() || end != text_.data() + at_ + 4) {
            return std::nullopt;
        }
        at_ += 4;
        return code;
    }

    static void AppendUtf8(std::string& out, char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    std::optional<std::string> String() {
        if (at_ >= text_.size() || text_[at_] != '"') {
            return std::nullopt;
        }
        ++at_;
        std::string out;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') {
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return std::nullopt;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) {
                return std::nullopt;
            }
            const char escape = text_[at_++];
            switch (escape) {
                case '"':
                case '\\':
                case '/':
                    out += escape;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    std::optional<unsigned> code = Hex4();
                    if (!code) {
                        return std::nullopt;
                    }
                    char32_t c32 = *code;
                    if (*code >= 0xD800 && *code <= 0xDBFF) {
                        if (!Literal("\\u")) {
                            return std::nullopt;
                        }
                        const std::optional<unsigned> low = Hex4();
                        if (!low || *low < 0xDC00 || *low > 0xDFFF) {
                            return std::nullopt;
                        }
                        c32 = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
                    } else if (*code >= 0xDC00 && *code <= 0xDFFF) {
                        return std::nullopt;
                    }
                    AppendUtf8(out, c32);
                    break;
                }
                default:
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const {
    static const JsonValue kNull;
    const auto found = object.find(name);
    return found == object.end() ? kNull : found->second;
}

std::optional<JsonValue> ParseJson(std::string_view text) {
    return Reader(text).Document();
}

std::optional<std::vector<JsonValue>> ParseJsonLines(std::string_view text) {
    std::vector<JsonValue> values;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
            continue;
        }
        std::optional<JsonValue> value = ParseJson(line);
        if (!value) {
            return std::nullopt;
        }
        values.push_back(std::move(*value));
    }
    return values;
}

}  // namespace quirelle::testing
