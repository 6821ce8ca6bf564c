#include "layout/page_layout_dump.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "platform/json_writer.hpp"
#include "platform/paths.hpp"

namespace quirelle {

namespace {

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

std::string HexColor(const RgbaColor& color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red, color.green, color.blue);
    return text;
}

}  // namespace

void WritePageLayoutDump(std::ostream& out, const PageLayout& page, const DocumentTree& tree,
                         int document) {
    std::string line;
    for (const LineBox& box : page.lines) {
        line = "{\"kind\":\"line\",\"document\":" + std::to_string(document);
        AppendField(line, "x", box.x);
        AppendField(line, "y", box.top);
        AppendField(line, "width", box.width);
        AppendField(line, "height", box.height);
        AppendField(line, "baseline", box.baseline);
        line += ",\"words\":[";
        for (std::uint32_t i = 0; i < box.wordCount; ++i) {
            const PlacedWord& word = page.words[box.firstWord + i];
            const WordStyle& style = page.wordStyles[word.style];
            line += i == 0 ? "{\"text\":" : ",{\"text\":";
            AppendJsonString(line, page.WordText(word));
            AppendField(line, "x", word.x);
            AppendField(line, "y", box.top);
            AppendField(line, "width", word.width);
            AppendField(line, "height", box.height);
            line += ",\"family\":";
            AppendJsonString(line, style.family);
            AppendField(line, "size", style.size);
            AppendField(line, "weight", style.weight);
            line += style.italic ? ",\"style\":\"italic\"" : ",\"style\":\"normal\"";
            line += ",\"color\":\"" + HexColor(style.color) + "\"}";
        }
        line += "]}\n";
        out << line;
    }
    for (const BlockBox& block : page.blocks) {
        line = "{\"kind\":\"block\",\"document\":" + std::to_string(document) + ",\"element\":";
        AppendJsonString(line, block.element == kNoNode ? "" : tree.LocalName(block.element));
        AppendField(line, "x", block.x);
        AppendField(line, "y", block.y);
        AppendField(line, "width", block.width);
        AppendField(line, "height", block.height);
        line += "}\n";
        out << line;
    }
    out.flush();
}

std::string PictureDump(const PageLayout& page, const DocumentTree& tree) {
    std::string dump;
    const auto line = [&dump](std::string_view text) {
        dump += "------ ";
        dump += text;
        dump += " -------\n";
    };
    for (const PlacedPicture& picture : page.pictures) {
        if (picture.kind == PlacedPicture::Kind::Svg) {
            line("SVG");
            dump += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
            dump += picture.svgText;
            dump += "\n";
            line("SVG");
            continue;
        }
        if (picture.kind != PlacedPicture::Kind::Raster || picture.element >= tree.size()) {
            continue;
        }
        line("Pic");
        if (const auto src = tree.Attribute(picture.element, "src")) {
            line("Path = " + std::string(*src) + " = " + std::string(FilePart(*src)));
        }
        for (const char* attribute : {"width", "height"}) {
            if (const auto value = tree.Attribute(picture.element, attribute)) {
                line(std::string(attribute) + " = " + std::string(*value));
            }
        }
        line("PIC");
        // The row a picture takes is the line box it stands on, or the picture itself where
        // it is a block of its own.
        double row = picture.height;
        for (const LineBox& box : page.lines) {
            if (picture.y >= box.top && picture.y < box.top + box.height) {
                row = box.height;
                break;
            }
        }
        char text[64];
        std::snprintf(text, sizeof text, "Row_height = %g", row);
        line(text);
    }
    return dump;
}

}  // namespace quirelle
