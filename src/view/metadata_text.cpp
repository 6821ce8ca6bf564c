#include "view/metadata_text.hpp"

#include <glib.h>
#include <langinfo.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <memory>

#include "layout/utf8.hpp"

namespace quirelle {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A character reference's code, or U+FFFD for one that names no character.
void AppendCodePoint(std::string& out, std::uint32_t code) {
    const bool character = code != 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    AppendUtf8(out, character ? static_cast<char32_t>(code) : kReplacementCharacter);
}

// The entities descriptions are written with; a name not here stays as written.
struct NamedEntity {
    std::string_view name;
    std::uint32_t code;
};
constexpr std::array<NamedEntity, 24> kEntities = {{
    {"amp", '&'},       {"lt", '<'},       {"gt", '>'},       {"quot", '"'},     {"apos", '\''},
    {"nbsp", 0xA0},     {"shy", 0xAD},     {"copy", 0xA9},    {"reg", 0xAE},     {"trade", 0x2122},
    {"hellip", 0x2026}, {"mdash", 0x2014}, {"ndash", 0x2013}, {"lsquo", 0x2018}, {"rsquo", 0x2019},
    {"ldquo", 0x201C},  {"rdquo", 0x201D}, {"laquo", 0xAB},   {"raquo", 0xBB},   {"eacute", 0xE9},
    {"egrave", 0xE8},   {"uuml", 0xFC},    {"ouml", 0xF6},    {"auml", 0xE4},
}};

// Decodes the entity at text[at] == '&' into `out`; returns how many bytes it took, 0 when it
// is no entity (the '&' is then a plain character).
std::size_t DecodeEntity(std::string_view text, std::size_t at, std::string& out) {
    const std::size_t end = text.find(';', at + 1);
    if (end == std::string_view::npos || end - at > 12) {
        return 0;
    }
    const std::string_view body = text.substr(at + 1, end - at - 1);
    if (body.size() >= 2 && body[0] == '#') {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty()) {
            return 0;
        }
        std::uint32_t code = 0;
        for (const char c : digits) {
            const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                              : hex && std::isxdigit(static_cast<unsigned char>(c))
                                  ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                                  : -1;
            if (digit < 0) {
                return 0;
            }
            code = std::min<std::uint32_t>(code * (hex ? 16 : 10) + digit, 0x110000);
        }
        AppendCodePoint(out, code);
        return end - at + 1;
    }
    for (const NamedEntity& entity : kEntities) {
        if (entity.name == body) {
            AppendCodePoint(out, entity.code);
            return end - at + 1;
        }
    }
    return 0;
}

std::string DecodedEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (const std::size_t taken = DecodeEntity(text, i, out)) {
                i += taken - 1;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string LowerName(std::string_view tag) {
    std::size_t i = tag.starts_with('/') ? 1 : 0;
    std::string name;
    for (; i < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[i])) || tag[i] == ':');
         ++i) {
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(tag[i])));
    }
    // "xhtml:p" is a p.
    const std::size_t colon = name.rfind(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

bool StartsParagraph(const std::string& name) {
    static constexpr std::array<std::string_view, 16> kBlocks = {
        "p",  "div", "li", "ul", "ol", "blockquote", "h1", "h2",
        "h3", "h4",  "h5", "h6", "dd", "dt",         "tr", "section"};
    return std::find(kBlocks.begin(), kBlocks.end(), name) != kBlocks.end();
}

// A description's text as lines: `breaks` counts the line breaks wanted before the next word.
class TextOut {
  public:
    void Word(std::string_view text) {
        if (!out_.empty()) {
            out_.append(breaks_ > 0 ? std::string(std::min(breaks_, 2), '\n')
                                    : std::string(space_ ? " " : ""));
        }
        out_ += text;
        breaks_ = 0;
        space_ = false;
    }
    void Space() { space_ = true; }
    void Break(int lines) { breaks_ = std::max(breaks_, lines); }
    std::string Take() { return std::move(out_); }

  private:
    std::string out_;
    int breaks_ = 0;
    bool space_ = false;
};

std::string HtmlAsText(std::string_view html) {
    TextOut out;
    std::string word;
    auto endWord = [&] {
        if (!word.empty()) {
            out.Word(DecodedEntities(word));
            word.clear();
        }
    };
    for (std::size_t i = 0; i < html.size();) {
        const char c = html[i];
        if (c == '<' && i + 1 < html.size() &&
            (std::isalpha(static_cast<unsigned char>(html[i + 1])) || html[i + 1] == '/' ||
             html[i + 1] == '!' || html[i + 1] == '?')) {
            if (html.substr(i, 4) == "<!--") {
                const std::size_t close = html.find("-->", i + 4);
                i = close == std::string_view::npos ? html.size() : close + 3;
                continue;
            }
            const std::size_t close = html.find('>', i);
            const std::string_view tag =
                html.substr(i + 1, (close == std::string_view::npos ? html.size() : close) - i - 1);
            i = close == std::string_view::npos ? html.size() : close + 1;
            const std::string name = LowerName(tag);
            if ((name == "script" || name == "style") && !tag.starts_with('/')) {
                const std::size_t end = html.find("</", i);
                i = end == std::string_view::npos ? html.size() : end;
                continue;
            }
            if (name == "br") {
                endWord();
                out.Break(1);
            } else if (StartsParagraph(name)) {
                endWord();
                out.Break(2);
            }
            // Any other tag (a, em, span ...) lies inside the flow of words.
            continue;
        }
        if (IsBlank(c)) {
            endWord();
            out.Space();
        } else {
            word += c;
        }
        ++i;
    }
    endWord();
    return out.Take();
}

bool LooksLikeHtml(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '<' && (std::isalpha(static_cast<unsigned char>(text[i + 1])) ||
                               text[i + 1] == '/' || text[i + 1] == '!')) {
            return true;
        }
    }
    return false;
}

struct DateTimeUnref {
    void operator()(GDateTime* time) const { g_date_time_unref(time); }
};
using DateTime = std::unique_ptr<GDateTime, DateTimeUnref>;

struct TimeZoneUnref {
    void operator()(GTimeZone* zone) const { g_time_zone_unref(zone); }
};
using TimeZone = std::unique_ptr<GTimeZone, TimeZoneUnref>;

std::string Formatted(const DateTime& time, const char* format) {
    if (!time) {
        return {};
    }
    gchar* text = g_date_time_format(time.get(), format);
    std::string result = text != nullptr ? text : "";
    g_free(text);
    return result;
}

// The locale's short date with the whole year: a book may be centuries old, and "03/01/99"
// would not say which century.
std::string ShortDateFormat() {
    gchar* utf8 = g_locale_to_utf8(nl_langinfo(D_FMT), -1, nullptr, nullptr, nullptr);
    std::string format = utf8 != nullptr ? utf8 : "";
    g_free(utf8);
    if (format.empty()) {
        return "%x";
    }
    for (std::size_t at = format.find("%y"); at != std::string::npos;
         at = format.find("%y", at + 2)) {
        format[at + 1] = 'Y';
    }
    return format;
}

// The number of `count` digits at text[at], or -1.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::string DescriptionAsText(std::string_view description) {
    const std::string_view text = Trimmed(description);
    if (!LooksLikeHtml(text)) {
        return DecodedEntities(text);
    }
    return HtmlAsText(text);
}

std::string DateAsText(std::string_view date) {
    const std::string_view text = Trimmed(date);
    const int year = Digits(text, 0, 4);
    if (year < 1) {
        return std::string(text);
    }
    if (text.size() == 4) {
        return std::string(text);
    }
    const int month = text.size() >= 7 && text[4] == '-' ? Digits(text, 5, 2) : -1;
    if (month < 1 || month > 12) {
        return std::string(text);
    }
    const TimeZone utc(g_time_zone_new_utc());
    if (text.size() == 7) {
        const DateTime time(g_date_time_new(utc.get(), year, month, 1, 0, 0, 0));
        const std::string shown = Formatted(time, "%B %Y");
        return shown.empty() ? std::string(text) : shown;
    }
    const int day = text.size() >= 10 && text[7] == '-' ? Digits(text, 8, 2) : -1;
    DateTime time;
    if (text.size() == 10 && day >= 1) {
        time.reset(g_date_time_new(utc.get(), year, month, day, 0, 0, 0));
    } else if (text.size() > 10 && day >= 1 && text[10] == 'T') {
        // The zone, when given, is kept: the date shown is the date written.
        time.reset(g_date_time_new_from_iso8601(std::string(text).c_str(), utc.get()));
    }
    const std::string shown = Formatted(time, ShortDateFormat().c_str());
    return shown.empty() ? std::string(text) : shown;
}

}  // namespace quirelle
