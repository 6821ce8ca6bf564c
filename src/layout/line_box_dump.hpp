#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "style/color_value.hpp"

namespace quirelle {

class FontMetrics;

// A piece of text a pass drew: one glyph, or one cluster of a shaped run.
struct DrawnPiece {
    std::string_view text;  // UTF-8
    double x = 0.0;         // its left edge
    double advance = 0.0;
    double lineTop = 0.0;
    double baseline = 0.0;
    double fontHeight = 0.0;
    bool blank = false;
    // The font it is drawn in; none on cairo's own text path, which leaves the family requested.
    const FontMetrics* font = nullptr;
    std::string_view requestedFamily;
    double requestedSize = 0.0;
    int weight = 0;  // as the text style keeps it: 0 normal, 1 bold
    int slant = 0;   // 0 normal, 1 italic
    ColorComponents color;
};

// Every line box a pass lays out, written as JSON Lines for tools that compare this reader's
// layout with another engine's: one object per line with its words, in the order laid out. The
// pass reports each piece of text it draws; a line is written once the next one begins or the
// document ends. Only a pass that has one attached pays for it.
class LineBoxDump {
  public:
    explicit LineBoxDump(std::ostream& out) : out_(out) {}
    LineBoxDump(const LineBoxDump&) = delete;
    LineBoxDump& operator=(const LineBoxDump&) = delete;

    void BeginDocument(int index);
    void Add(const DrawnPiece& piece);
    // Writes the line still open.
    void EndDocument();

  private:
    struct Word {
        std::string text;
        double left, right, top, height;
        const FontMetrics* font;
        std::string family;
        double size;
        int weight, slant;
        ColorComponents color;
    };
    struct Line {
        double top = 0.0;
        double baseline = 0.0;
        std::vector<Word> words;
    };

    bool Continues(const Word& word, const DrawnPiece& piece) const;
    const std::string& FamilyOf(const DrawnPiece& piece);
    void WriteLine();

    std::ostream& out_;
    int document_ = 0;
    bool lineOpen_ = false;
    // Whether the last piece ended a word (a blank), so that the next piece starts another.
    bool wordOpen_ = false;
    Line line_;
    std::unordered_map<const FontMetrics*, std::string> families_;
    std::string text_;
};

}  // namespace quirelle
