#include "layout/line_box_dump.hpp"

#include <cairo-ft.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "layout/character_class.hpp"
#include "layout/font_cache.hpp"
#include "layout/utf8.hpp"
#include "platform/json_writer.hpp"

namespace quirelle {

namespace {

// Pieces closer than this belong together: the pen moves in cairo's 1/256 pixel steps.
constexpr double kSameEdge = 1.0 / 64;
// Lines of one pass lie at least a font height apart; a baseline rounded differently must not
// open another line.
constexpr double kSameLine = 0.5;

// A coordinate as JSON: three decimals at most, and never a number JSON cannot hold.
void AppendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string_view number(text);
    while (number.ends_with('0')) {
        number.remove_suffix(1);
    }
    if (number.ends_with('.')) {
        number.remove_suffix(1);
    }
    out += number == "-0" ? std::string_view("0") : number;
}

void AppendField(std::string& out, std::string_view name, double value) {
    out += ",\"";
    out += name;
    out += "\":";
    AppendNumber(out, value);
}

// The text of a piece as drawn: a shaped cluster may carry characters that are never drawn (a
// word joiner after a letter), which are no part of the word a reader sees.
std::string DrawnText(std::string_view text) {
    std::string drawn;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t character = DecodeUtf8(text, at);
        if (!IsDefaultIgnorable(character)) {
            AppendUtf8(drawn, character);
        }
    }
    return drawn;
}

int Intensity(std::uint32_t component) {
    return static_cast<int>(component >> 24);
}

}  // namespace

void LineBoxDump::BeginDocument(int index) {
    document_ = index;
    lineOpen_ = false;
    wordOpen_ = false;
    line_.words.clear();
    // Fonts may be let go between documents, and another may take the same address.
    families_.clear();
}

void LineBoxDump::EndDocument() {
    WriteLine();
    lineOpen_ = false;
    wordOpen_ = false;
    // The engine lays text out line after line without boxes for its blocks, so there are no
    // {"kind":"block"} records to write; a block-building engine would write them here.
    out_.flush();
}

bool LineBoxDump::Continues(const Word& word, const DrawnPiece& piece) const {
    if (word.font != piece.font || word.weight != piece.weight || word.slant != piece.slant ||
        !(word.color == piece.color) ||
        (piece.font == nullptr && word.size != piece.requestedSize)) {
        return false;
    }
    // Left to right the piece starts where the word ends; a mirrored (right-to-left) line
    // places it so that it ends where the word starts.
    return std::abs(piece.x - word.right) < kSameEdge ||
           std::abs(piece.x + piece.advance - word.left) < kSameEdge;
}

const std::string& LineBoxDump::FamilyOf(const DrawnPiece& piece) {
    auto found = families_.find(piece.font);
    if (found != families_.end()) {
        return found->second;
    }
    std::string family(piece.requestedFamily);
    if (piece.font != nullptr) {
        family = piece.font->request().family;
        cairo_scaled_font_t* scaled = piece.font->scaledFont();
        if (cairo_scaled_font_get_type(scaled) == CAIRO_FONT_TYPE_FT) {
            // The face fontconfig chose for the family asked for, or the fallback's own.
            if (FT_Face face = cairo_ft_scaled_font_lock_face(scaled); face != nullptr) {
                if (face->family_name != nullptr) {
                    family = face->family_name;
                }
                cairo_ft_scaled_font_unlock_face(scaled);
            }
        }
    }
    return families_.emplace(piece.font, std::move(family)).first->second;
}

void LineBoxDump::Add(const DrawnPiece& piece) {
    if (lineOpen_ && std::abs(piece.lineTop - line_.top) >= kSameLine) {
        WriteLine();
        lineOpen_ = false;
        wordOpen_ = false;
    }
    if (piece.blank) {
        wordOpen_ = false;
        return;
    }
    std::string text = DrawnText(piece.text);
    if (text.empty()) {
        return;
    }
    if (!lineOpen_) {
        lineOpen_ = true;
        line_.top = piece.lineTop;
        line_.baseline = piece.baseline;
        line_.words.clear();
    }
    line_.baseline = std::max(line_.baseline, piece.baseline);
    if (wordOpen_ && !line_.words.empty() && Continues(line_.words.back(), piece)) {
        Word& word = line_.words.back();
        word.text += text;
        word.left = std::min(word.left, piece.x);
        word.right = std::max(word.right, piece.x + piece.advance);
        word.height = std::max(word.height, piece.fontHeight);
        return;
    }
    const double size = piece.font != nullptr ? piece.font->size() : piece.requestedSize;
    line_.words.push_back({std::move(text), std::min(piece.x, piece.x + piece.advance),
                           std::max(piece.x, piece.x + piece.advance), piece.lineTop,
                           piece.fontHeight, piece.font, FamilyOf(piece), size, piece.weight,
                           piece.slant, piece.color});
    wordOpen_ = true;
}

void LineBoxDump::WriteLine() {
    if (!lineOpen_ || line_.words.empty()) {
        return;
    }
    double left = line_.words.front().left;
    double right = line_.words.front().right;
    for (const Word& word : line_.words) {
        left = std::min(left, word.left);
        right = std::max(right, word.right);
    }
    std::string& out = text_;
    out.clear();
    out += "{\"kind\":\"line\",\"document\":";
    out += std::to_string(document_);
    AppendField(out, "x", left);
    AppendField(out, "y", line_.top);
    AppendField(out, "width", right - left);
    AppendField(out, "height", line_.baseline - line_.top);
    AppendField(out, "baseline", line_.baseline);
    out += ",\"words\":[";
    for (std::size_t i = 0; i < line_.words.size(); ++i) {
        const Word& word = line_.words[i];
        out += i == 0 ? "{\"text\":" : ",{\"text\":";
        AppendJsonString(out, word.text);
        AppendField(out, "x", word.left);
        AppendField(out, "y", word.top);
        AppendField(out, "width", word.right - word.left);
        AppendField(out, "height", word.height);
        out += ",\"family\":";
        AppendJsonString(out, word.family);
        AppendField(out, "size", word.size);
        out += ",\"weight\":";
        out += word.weight != 0 ? "700" : "400";
        out += ",\"style\":";
        out += word.slant != 0 ? "\"italic\"" : "\"normal\"";
        char color[16];
        std::snprintf(color, sizeof color, "#%02x%02x%02x", Intensity(word.color.red),
                      Intensity(word.color.green), Intensity(word.color.blue));
        out += ",\"color\":\"";
        out += color;
        out += "\"}";
    }
    out += "]}\n";
    out_ << out;
    line_.words.clear();
}

}  // namespace quirelle
