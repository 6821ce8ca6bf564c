#include "layout/box_layout.hpp"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <glib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <unordered_map>

#include "document/text_offset.hpp"
#include "layout/character_class.hpp"
#include "layout/font_fallback.hpp"
#include "layout/text_shaping.hpp"
#include "layout/utf8.hpp"

namespace quirelle {

namespace {

// A line never gets narrower than this, however deep the indents: text in a column one glyph
// wide is still text, where a width of nothing would loop.
constexpr double kMinimumLineWidth = 8.0;
// The gap between an outside list marker and its item's text.
constexpr double kMarkerGap = 8.0;

double Finite(double value, double fallback = 0.0) {
    return std::isfinite(value) ? value : fallback;
}

// A length whose percentage is of `base`; auto and none give `autoValue`.
double Resolve(const ComputedLength& length, double base, double autoValue = 0.0) {
    switch (length.unit) {
        case LengthUnit::Px:
            return Finite(length.value);
        case LengthUnit::Percent:
            return Finite(length.value * base / 100.0);
        case LengthUnit::Auto:
        case LengthUnit::None:
            return autoValue;
    }
    return autoValue;
}

// The families fontconfig has, asked once each. A name it only stands another font in for is
// taken when the stand-in is made to measure the same (the metric twins of the common faces);
// otherwise the next family of the list is tried, as a browser does.
class FamilyChooser {
  public:
    const std::string& Choose(const std::vector<std::string>& families) {
        for (const std::string& family : families) {
            if (IsGeneric(family) || Installed(family)) {
                return family;
            }
        }
        static const std::string kDefault = "serif";
        return families.empty() ? kDefault : families.back();
    }

  private:
    static bool IsGeneric(std::string_view family) {
        return family == "serif" || family == "sans-serif" || family == "monospace" ||
               family == "cursive" || family == "fantasy" || family == "system-ui";
    }

    bool Installed(const std::string& family) {
        const auto known = installed_.find(family);
        if (known != installed_.end()) {
            return known->second;
        }
        bool found = false;
        static constexpr std::string_view kTwins[] = {"Arial", "Helvetica",   "Times New Roman",
                                                      "Times", "Courier New", "Courier"};
        for (const std::string_view twin : kTwins) {
            found = found || g_ascii_strcasecmp(std::string(twin).c_str(), family.c_str()) == 0;
        }
        if (!found) {
            FontPattern pattern(FcPatternCreate());
            FcPatternAddString(pattern.get(), FC_FAMILY,
                               reinterpret_cast<const FcChar8*>(family.c_str()));
            FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
            FcDefaultSubstitute(pattern.get());
            FcResult result = FcResultNoMatch;
            FontPattern match(FcFontMatch(nullptr, pattern.get(), &result));
            FcChar8* matched = nullptr;
            if (match && FcPatternGetString(match.get(), FC_FAMILY, 0, &matched) == FcResultMatch) {
                found =
                    g_ascii_strcasecmp(reinterpret_cast<const char*>(matched), family.c_str()) == 0;
            }
        }
        installed_.emplace(family, found);
        return found;
    }

    std::unordered_map<std::string, bool> installed_;
};

FamilyChooser& Families() {
    static thread_local FamilyChooser chooser;
    return chooser;
}

// One piece of a line: a cluster of shaped text, an inline picture, or a forced break.
struct Piece {
    enum class Kind : std::uint8_t { Cluster, Picture, Break, InlineBlock };
    Kind kind = Kind::Cluster;
    std::uint32_t run = 0;  // into the block's shaped runs
    std::uint32_t cluster = 0;
    NodeIndex element = kNoNode;  // whose style draws it
    double advance = 0;
    double shift = 0;  // how far vertical-align raises it
    bool blank = false;
    bool breakBefore = false;
    int link = -1;                  // into the block's link targets
    std::uint32_t picture = 0;      // into the block's pictures, or its inline blocks
    std::uint32_t decorations = 0;  // into the block's decoration sets
    // Where the cluster's text came from: its text node, and how many characters other than
    // white space come before it in the node. White space is all that processing changes, so
    // this names the same place in the source whatever the width or the font.
    NodeIndex textNode = kNoNode;
    std::uint32_t ink = 0;
};

struct Decoration {
    TextDecorationLines lines;
    RgbaColor color;
};

class Layouter {
  public:
    explicit Layouter(const LayoutInput& input) : in_(input) {}

    // A block laid out apart, to be placed whole in a line: its page from (0, 0), its margin
    // box's size and the baseline it sits on.
    struct InlineBlock {
        PageLayout page;
        std::vector<std::pair<NodeIndex, double>> marks;
        double width = 0;
        double height = 0;
        double baseline = 0;
    };

    // Lays out an inline block at the widest its content needs, within `available`.
    InlineBlock LayOutInlineBlock(BoxIndex index, double available) {
        const ComputedStyle& style = StyleOf(index);
        const double marginTop = Resolve(style.marginTop, available);
        const double marginBottom = Resolve(style.marginBottom, available);
        double containing = available;
        // Each shrink-to-fit lays its content out twice, so nested ones cost 2^depth layouts:
        // past a depth no book reaches, an inline block takes the width it is given instead.
        if (style.width.unit == LengthUnit::Auto && shrinkDepth_ < kMaxShrinkDepth) {
            // Shrink to fit: the content laid out as wide as allowed shows how wide its lines
            // run; the block is then laid out that wide.
            Layouter probe(in_);
            probe.nested_ = true;
            probe.shrinkDepth_ = shrinkDepth_ + 1;
            probe.LayOutBlock(index, 0, 0, available);
            double extent = 0;
            for (const LineBox& line : probe.out_.lines) {
                extent = std::max(extent, line.x + line.width);
            }
            for (const PlacedPicture& picture : probe.out_.pictures) {
                extent = std::max(extent, picture.x + picture.width);
            }
            extent += UsedBorderWidth(style, BoxSide::Right) +
                      Resolve(style.paddingRight, available) +
                      std::max(0.0, Resolve(style.marginRight, available));
            containing = std::min(available, std::ceil(extent));
        }
        Layouter layouter(in_);
        layouter.nested_ = true;
        layouter.shrinkDepth_ = shrinkDepth_ + 1;
        InlineBlock block;
        const double height = layouter.LayOutBlock(index, 0, marginTop, containing);
        block.page = std::move(layouter.out_);
        block.marks = std::move(layouter.marks_);
        block.width = containing;
        block.height = marginTop + height + marginBottom;
        block.baseline = block.page.lines.empty() ? block.height : block.page.lines.back().baseline;
        return block;
    }

    PageLayout Run() {
        // A pass begins: the cache lets fonts go now, if it must, and never while this layout
        // holds them.
        in_.fonts.BeginPass(in_.cr);
        out_.width = in_.width;
        out_.fontGeneration = in_.fonts.generation();
        out_.elementTop.assign(in_.tree.size(), std::numeric_limits<float>::quiet_NaN());
        // Room for what the text will make, about a glyph and a cluster a byte: growing these
        // a doubling at a time costs more than the layout of a chapter's lines.
        const std::size_t bytes = in_.boxes.textSize();
        out_.glyphs.reserve(bytes);
        out_.clusters.reserve(bytes);
        out_.runText.reserve(bytes);
        out_.wordText.reserve(bytes);
        out_.words.reserve(bytes / 5);
        const BoxIndex root = in_.boxes.root();
        if (root != kNoBox) {
            out_.canvas = CanvasColor(in_.boxes.box(root).node);
            CanvasPicture(in_.boxes.box(root).node);
            const double top = TopMargin(root, in_.width).Sum();
            const double height = LayOutBlock(root, 0, top, in_.width);
            out_.height = top + height + BottomMargin(root, in_.width).Sum();
        }
        out_.IndexItems();
        return std::move(out_);
    }

  private:
    // The picture of the canvas: the root's background picture, or the body's. Its url is
    // the sheet's; the picture is found in the book by its file name.
    void CanvasPicture(NodeIndex root) {
        const ComputedStyle* style = &in_.styles[root];
        if (style->backgroundImage.empty()) {
            for (NodeIndex child = in_.tree.firstChild(root); child != kNoNode;
                 child = in_.tree.nextSibling(child)) {
                if (in_.tree.IsElement(child) && in_.tree.IsHtml(child) &&
                    in_.tree.LocalName(child) == "body") {
                    style = &in_.styles[child];
                    break;
                }
            }
        }
        const std::string& url = style->backgroundImage;
        if (url.empty()) {
            return;
        }
        const std::size_t slash = url.find_last_of("/:");
        out_.canvasPicture = slash == std::string::npos ? url : url.substr(slash + 1);
        out_.canvasRepeat =
            style->backgroundRepeat == CssBackgroundRepeat::NoRepeat ? "no-repeat" : "repeat";
    }

    RgbaColor CanvasColor(NodeIndex root) const {
        const ComputedStyle& style = in_.styles[root];
        RgbaColor color = style.backgroundColor.Resolve(style.color);
        if (color.alpha > 0) {
            return color;
        }
        for (NodeIndex child = in_.tree.firstChild(root); child != kNoNode;
             child = in_.tree.nextSibling(child)) {
            if (in_.tree.IsElement(child) && in_.tree.IsHtml(child) &&
                in_.tree.LocalName(child) == "body") {
                const ComputedStyle& body = in_.styles[child];
                return body.backgroundColor.Resolve(body.color);
            }
        }
        return color;
    }

    // The page's own reference to a font its runs are drawn in.
    std::uint32_t FontIndex(cairo_scaled_font_t* font) {
        const auto known = fontIndex_.find(font);
        if (known != fontIndex_.end()) {
            return known->second;
        }
        const auto index = static_cast<std::uint32_t>(out_.fonts.size());
        out_.fonts.emplace_back(cairo_scaled_font_reference(font));
        fontIndex_.emplace(font, index);
        return index;
    }

    // Adjoining vertical margins: the largest positive one and the most negative one add up.
    struct Margins {
        double positive = 0;
        double negative = 0;
        void Add(double margin) {
            positive = std::max(positive, margin);
            negative = std::min(negative, margin);
        }
        void Add(const Margins& other) {
            positive = std::max(positive, other.positive);
            negative = std::min(negative, other.negative);
        }
        double Sum() const { return positive + negative; }
    };

    const ComputedStyle& StyleOf(BoxIndex box) const {
        return in_.styles[in_.boxes.box(box).styleNode];
    }

    bool HasOwnElement(BoxIndex box) const { return in_.boxes.box(box).node != kNoNode; }

    double BorderTop(const ComputedStyle& s) const { return UsedBorderWidth(s, BoxSide::Top); }
    double BorderBottom(const ComputedStyle& s) const {
        return UsedBorderWidth(s, BoxSide::Bottom);
    }

    // A block's top margin with those of its first children that adjoin it.
    Margins TopMargin(BoxIndex box, double containingWidth) const {
        Margins margins;
        for (int depth = 0; box != kNoBox && depth < 1000; ++depth) {
            const Box& b = in_.boxes.box(box);
            if (!HasOwnElement(box)) {
                return margins;
            }
            const ComputedStyle& style = StyleOf(box);
            margins.Add(Resolve(style.marginTop, containingWidth));
            if (b.kind != BoxKind::Block || b.itemCount > 0 || BorderTop(style) > 0 ||
                Resolve(style.paddingTop, containingWidth) > 0) {
                return margins;
            }
            box = b.firstChild;
        }
        return margins;
    }

    bool BottomCollapses(BoxIndex box, double containingWidth) const {
        const Box& b = in_.boxes.box(box);
        const ComputedStyle& style = StyleOf(box);
        return HasOwnElement(box) && b.kind == BoxKind::Block && b.itemCount == 0 &&
               b.lastChild != kNoBox && BorderBottom(style) == 0 &&
               Resolve(style.paddingBottom, containingWidth) == 0 &&
               style.height.unit == LengthUnit::Auto;
    }

    Margins BottomMargin(BoxIndex box, double containingWidth) const {
        Margins margins;
        for (int depth = 0; box != kNoBox && depth < 1000; ++depth) {
            if (!HasOwnElement(box)) {
                return margins;
            }
            margins.Add(Resolve(StyleOf(box).marginBottom, containingWidth));
            if (!BottomCollapses(box, containingWidth)) {
                return margins;
            }
            box = in_.boxes.box(box).lastChild;
        }
        return margins;
    }

    void AddItem(DisplayItem::Kind kind, std::uint32_t index, double top, double bottom) {
        out_.items.push_back({kind, index, top, bottom});
    }

    void AddRect(double x, double y, double width, double height, RgbaColor color) {
        if (width <= 0 || height <= 0 || color.alpha == 0) {
            return;
        }
        AddItem(DisplayItem::Kind::Rect, static_cast<std::uint32_t>(out_.rects.size()), y,
                y + height);
        out_.rects.push_back({x, y, width, height, color});
    }

    // The box's background and borders, under its content: their items go in before the
    // content's, which were made first (a box's height is known only once its content is laid
    // out), so only the box's own items move.
    void PaintBoxDecorations(const ComputedStyle& style, std::size_t firstItem, double x, double y,
                             double width, double height) {
        std::vector<PlacedRect> made;
        const auto add = [&made](double rx, double ry, double rw, double rh, RgbaColor color) {
            if (rw > 0 && rh > 0 && color.alpha > 0) {
                made.push_back({rx, ry, rw, rh, color});
            }
        };
        add(x, y, width, height, style.backgroundColor.Resolve(style.color));
        const double top = UsedBorderWidth(style, BoxSide::Top);
        const double right = UsedBorderWidth(style, BoxSide::Right);
        const double bottom = UsedBorderWidth(style, BoxSide::Bottom);
        const double left = UsedBorderWidth(style, BoxSide::Left);
        // FIXME: dotted, dashed and double borders are drawn solid.
        add(x, y, width, top, style.borderTopColor.Resolve(style.color));
        add(x, y + height - bottom, width, bottom, style.borderBottomColor.Resolve(style.color));
        add(x, y + top, left, height - top - bottom, style.borderLeftColor.Resolve(style.color));
        add(x + width - right, y + top, right, height - top - bottom,
            style.borderRightColor.Resolve(style.color));
        std::vector<DisplayItem> items;
        for (const PlacedRect& rect : made) {
            items.push_back({DisplayItem::Kind::Rect, static_cast<std::uint32_t>(out_.rects.size()),
                             rect.y, rect.y + rect.height});
            out_.rects.push_back(rect);
        }
        out_.items.insert(out_.items.begin() + static_cast<std::ptrdiff_t>(firstItem),
                          items.begin(), items.end());
    }

    // The used width of a block and its left margin, from its containing block's width.
    void HorizontalBox(const ComputedStyle& style, double containingWidth, double& marginLeft,
                       double& borderBoxWidth) const {
        const double chrome = UsedBorderWidth(style, BoxSide::Left) +
                              UsedBorderWidth(style, BoxSide::Right) +
                              Resolve(style.paddingLeft, containingWidth) +
                              Resolve(style.paddingRight, containingWidth);
        const bool leftAuto = style.marginLeft.unit == LengthUnit::Auto;
        const bool rightAuto = style.marginRight.unit == LengthUnit::Auto;
        double left = Resolve(style.marginLeft, containingWidth);
        double right = Resolve(style.marginRight, containingWidth);
        double content = containingWidth - left - right - chrome;
        if (style.width.unit != LengthUnit::Auto) {
            content = Resolve(style.width, containingWidth);
        }
        if (style.maxWidth.unit != LengthUnit::None) {
            content = std::min(content, Resolve(style.maxWidth, containingWidth, content));
        }
        content = std::max(content, Resolve(style.minWidth, containingWidth));
        content = std::max(content, 0.0);
        const double free = containingWidth - content - chrome - left - right;
        if (style.width.unit != LengthUnit::Auto || style.maxWidth.unit != LengthUnit::None) {
            if (leftAuto && rightAuto) {
                left += std::max(free, 0.0) / 2;
            } else if (leftAuto) {
                left += std::max(free, 0.0);
            }
        }
        marginLeft = left;
        borderBoxWidth = content + chrome;
    }

    // Lays out a block whose border box's top is at `y` and whose containing block starts at
    // `x` and is `containingWidth` wide; gives the height of its border box.
    double LayOutBlock(BoxIndex index, double x, double y, double containingWidth) {
        const Box& box = in_.boxes.box(index);
        const ComputedStyle& style = StyleOf(index);
        double marginLeft = 0;
        double width = containingWidth;
        if (HasOwnElement(index)) {
            HorizontalBox(style, containingWidth, marginLeft, width);
        }
        const double left = x + marginLeft;
        const bool own = HasOwnElement(index);
        const double borderLeft = own ? UsedBorderWidth(style, BoxSide::Left) : 0;
        const double borderTop = own ? BorderTop(style) : 0;
        const double paddingLeft = own ? Resolve(style.paddingLeft, containingWidth) : 0;
        const double paddingTop = own ? Resolve(style.paddingTop, containingWidth) : 0;
        const double paddingBottom = own ? Resolve(style.paddingBottom, containingWidth) : 0;
        const double contentX = left + borderLeft + paddingLeft;
        const double contentWidth =
            std::max(0.0, width - borderLeft - paddingLeft -
                              (own ? UsedBorderWidth(style, BoxSide::Right) +
                                         Resolve(style.paddingRight, containingWidth)
                                   : 0));
        const double contentTop = y + borderTop + paddingTop;
        if (own) {
            MarkTop(box.node, y);
        }

        const std::size_t firstItem = out_.items.size();

        double contentHeight = 0;
        double firstBaseline = std::numeric_limits<double>::quiet_NaN();
        if (box.kind == BoxKind::Replaced) {
            contentHeight = PlaceReplaced(box.node, contentX, contentTop, contentWidth, true);
        } else if (box.itemCount > 0) {
            contentHeight = LayOutLines(index, contentX, contentTop, contentWidth, firstBaseline);
        } else {
            const bool topThrough =
                own && borderTop == 0 && paddingTop == 0 && box.firstChild != kNoBox;
            double cursor = contentTop;
            Margins previous;
            bool first = true;
            for (BoxIndex child = box.firstChild; child != kNoBox;
                 child = in_.boxes.box(child).nextSibling) {
                Margins gap = previous;
                if (!(first && topThrough)) {
                    gap.Add(TopMargin(child, contentWidth));
                }
                const double childTop = cursor + gap.Sum();
                const double childHeight = LayOutBlock(child, contentX, childTop, contentWidth);
                cursor = childTop + childHeight;
                previous = BottomMargin(child, contentWidth);
                first = false;
            }
            if (!(own && BottomCollapses(index, containingWidth))) {
                cursor += previous.Sum();
            }
            contentHeight = cursor - contentTop;
        }
        if (own && style.height.unit == LengthUnit::Px) {
            contentHeight = style.height.value;
        }
        if (own && style.minHeight.unit == LengthUnit::Px) {
            contentHeight = std::max(contentHeight, style.minHeight.value);
        }
        if (own && style.maxHeight.unit == LengthUnit::Px) {
            contentHeight = std::min(contentHeight, style.maxHeight.value);
        }
        contentHeight = std::max(contentHeight, 0.0);
        const double height = borderTop + paddingTop + contentHeight + paddingBottom +
                              (own ? BorderBottom(style) : 0);
        if (own) {
            PaintBoxDecorations(style, firstItem, left, y, width, height);
            out_.blocks.push_back({box.node, left, y, width, height});
            if (box.listItem) {
                PlaceMarker(index, contentX, contentTop, firstBaseline);
            }
        }
        return height;
    }

    void MarkTop(NodeIndex element, double y) {
        if (element == kNoNode) {
            return;
        }
        // An inline block's layout keeps its marks aside until it is placed.
        if (nested_) {
            marks_.emplace_back(element, y);
        } else if (std::isnan(out_.elementTop[element])) {
            out_.elementTop[element] = static_cast<float>(y);
        }
    }

    // Moves an inline block's layout into the page with its top-left corner at (dx, dy).
    void Merge(const InlineBlock& block, double dx, double dy) {
        const PageLayout& from = block.page;
        const auto rects = static_cast<std::uint32_t>(out_.rects.size());
        const auto runs = static_cast<std::uint32_t>(out_.runs.size());
        const auto pictures = static_cast<std::uint32_t>(out_.pictures.size());
        const auto glyphs = static_cast<std::uint32_t>(out_.glyphs.size());
        const auto words = static_cast<std::uint32_t>(out_.words.size());
        const auto styles = static_cast<std::uint32_t>(out_.wordStyles.size());
        const auto text = static_cast<std::uint32_t>(out_.wordText.size());
        for (DisplayItem item : from.items) {
            item.top += dy;
            item.bottom += dy;
            item.index += item.kind == DisplayItem::Kind::Rect     ? rects
                          : item.kind == DisplayItem::Kind::Glyphs ? runs
                                                                   : pictures;
            out_.items.push_back(item);
        }
        for (PlacedRect rect : from.rects) {
            rect.x += dx;
            rect.y += dy;
            out_.rects.push_back(rect);
        }
        const auto runText = static_cast<std::uint32_t>(out_.runText.size());
        const auto clusters = static_cast<std::uint32_t>(out_.clusters.size());
        for (PlacedGlyphRun run : from.runs) {
            run.firstGlyph += glyphs;
            run.textOffset += runText;
            run.firstCluster += clusters;
            run.font = FontIndex(from.fonts[run.font].get());
            out_.runs.push_back(run);
        }
        out_.runText += from.runText;
        out_.clusters.insert(out_.clusters.end(), from.clusters.begin(), from.clusters.end());
        for (cairo_glyph_t glyph : from.glyphs) {
            glyph.x += dx;
            glyph.y += dy;
            out_.glyphs.push_back(glyph);
        }
        for (PlacedPicture picture : from.pictures) {
            picture.x += dx;
            picture.y += dy;
            out_.pictures.push_back(std::move(picture));
        }
        for (PlacedLink link : from.links) {
            link.x += dx;
            link.y += dy;
            out_.links.push_back(std::move(link));
        }
        for (LineBox line : from.lines) {
            line.x += dx;
            line.top += dy;
            line.baseline += dy;
            line.firstWord += words;
            out_.lines.push_back(line);
        }
        for (PlacedWord word : from.words) {
            word.x += dx;
            word.textOffset += text;
            word.style += styles;
            out_.words.push_back(word);
        }
        out_.wordStyles.insert(out_.wordStyles.end(), from.wordStyles.begin(),
                               from.wordStyles.end());
        out_.wordText += from.wordText;
        for (BlockBox box : from.blocks) {
            box.x += dx;
            box.y += dy;
            out_.blocks.push_back(box);
        }
        for (const auto& [element, y] : block.marks) {
            MarkTop(element, y + dy);
        }
    }

    FontMetrics& FontOf(const ComputedStyle& style, double size) {
        const std::string& family = Families().Choose(style.fontFamily);
        const int slant = style.fontStyle == CssFontStyle::Normal ? 0 : 1;
        const int weight = style.fontWeight >= 600 ? 1 : 0;
        return in_.fonts.Find(in_.cr, family, slant, weight, std::clamp(size, 1.0, 2000.0));
    }

    // The style a word is dumped with: the face's own family (what fontconfig chose for the
    // family asked for, or a fallback's), its size, the weight and slant asked for, and the
    // colour. Words of one font and colour share an entry, found without a search.
    std::uint32_t WordStyleOf(const ComputedStyle& style, const FontMetrics& font) {
        const WordStyleKey key{&font, style.fontWeight, style.fontStyle != CssFontStyle::Normal,
                               style.color, style.fontSize};
        if (lastWordStyle_ && lastWordStyle_->first == key) {
            return lastWordStyle_->second;
        }
        for (const auto& known : wordStyleKeys_) {
            if (known.first == key) {
                lastWordStyle_ = known;
                return known.second;
            }
        }
        WordStyle word;
        word.family = FaceFamily(font);
        word.size = key.size;
        word.weight = key.weight;
        word.italic = key.italic;
        word.color = key.color;
        const auto index = static_cast<std::uint32_t>(out_.wordStyles.size());
        out_.wordStyles.push_back(word);
        wordStyleKeys_.emplace_back(key, index);
        lastWordStyle_ = wordStyleKeys_.back();
        return index;
    }

    static std::string FaceFamily(const FontMetrics& font) {
        std::string family = font.request().family;
        cairo_scaled_font_t* scaled = font.scaledFont();
        if (scaled != nullptr && cairo_scaled_font_get_type(scaled) == CAIRO_FONT_TYPE_FT) {
            if (FT_Face face = cairo_ft_scaled_font_lock_face(scaled); face != nullptr) {
                if (face->family_name != nullptr) {
                    family = face->family_name;
                }
                cairo_ft_scaled_font_unlock_face(scaled);
            }
        }
        return family;
    }

    void PlaceMarker(BoxIndex index, double contentX, double contentTop, double baseline) {
        const ComputedStyle& style = StyleOf(index);
        const std::string marker =
            ListMarkerText(style.listStyleType, in_.boxes.box(index).ordinal);
        if (marker.empty()) {
            return;
        }
        FontMetrics& font = FontOf(style, style.fontSize);
        if (std::isnan(baseline)) {
            baseline = contentTop + font.extents().ascent +
                       (UsedLineHeight(style) - font.extents().ascent - font.extents().descent) / 2;
        }
        std::vector<char32_t> characters;
        for (std::size_t at = 0; at < marker.size();) {
            characters.push_back(DecodeUtf8(marker, at));
        }
        ShapedRun run;
        ShapeRun(in_.fonts, in_.cr, font, characters, 0, {}, run);
        double advance = 0;
        for (const ShapedCluster& cluster : run.clusters) {
            advance += cluster.advance;
        }
        double pen = contentX - kMarkerGap - advance;
        const std::uint32_t first = static_cast<std::uint32_t>(out_.glyphs.size());
        const auto textOffset = static_cast<std::uint32_t>(out_.runText.size());
        const auto firstCluster = static_cast<std::uint32_t>(out_.clusters.size());
        for (const ShapedCluster& cluster : run.clusters) {
            if (cluster.glyphCount > 0) {
                const std::string text = run.TextOf(cluster);
                out_.runText += text;
                out_.clusters.push_back(
                    {static_cast<int>(text.size()), static_cast<int>(cluster.glyphCount)});
            }
            for (std::uint32_t g = 0; g < cluster.glyphCount; ++g) {
                const ShapedGlyph& glyph = run.glyphs[cluster.firstGlyph + g];
                out_.glyphs.push_back({glyph.index, pen + glyph.x, baseline + glyph.y});
            }
            pen += cluster.advance;
        }
        const double top = baseline - font.extents().ascent;
        AddItem(DisplayItem::Kind::Glyphs, static_cast<std::uint32_t>(out_.runs.size()), top,
                baseline + font.extents().descent);
        out_.runs.push_back({FontIndex(font.scaledFont()), style.color, first,
                             static_cast<std::uint32_t>(out_.glyphs.size()) - first, textOffset,
                             static_cast<std::uint32_t>(out_.runText.size()) - textOffset,
                             firstCluster,
                             static_cast<std::uint32_t>(out_.clusters.size()) - firstCluster});
    }

    // ----- Replaced elements -----

    // A width or height attribute as HTML reads it: pixels, or a percentage of `whole` when one
    // is known; a length that is none ("-5", "nonsense") is no length.
    std::optional<double> DimensionAttribute(NodeIndex element, std::string_view name,
                                             std::optional<double> whole) const {
        const std::optional<std::string_view> text = in_.tree.Attribute(element, name);
        if (!text || text->empty()) {
            return std::nullopt;
        }
        char* end = nullptr;
        const std::string copy(*text);
        const double value = std::strtod(copy.c_str(), &end);
        if (end == copy.c_str() || !std::isfinite(value) || value < 0) {
            return std::nullopt;
        }
        if (*end == '%') {
            if (!whole) {
                return std::nullopt;
            }
            return *whole * value / 100;
        }
        return value;
    }

    std::string SvgMarkup(NodeIndex element) const {
        std::string out;
        AppendMarkup(element, out, 0);
        return out;
    }

    // The prefixes the elements and attributes of the subtree at `node` are written with, and
    // the namespaces they stand for.
    void CollectPrefixes(NodeIndex node, std::map<std::string_view, std::string_view>& used) const {
        const auto note = [&](const QualifiedName& name) {
            const std::string_view written = in_.tree.Text(name.written);
            const std::size_t colon = written.find(':');
            if (colon == std::string_view::npos || written.starts_with("xml")) {
                return;
            }
            used.emplace(written.substr(0, colon), in_.tree.Text(name.namespaceUri));
        };
        // Nodes are numbered in document order, so the subtree runs up to the next node that
        // follows it: the next sibling of the node or of its nearest ancestor that has one.
        NodeIndex end = static_cast<NodeIndex>(in_.tree.size());
        for (NodeIndex at = node; at != kNoNode; at = in_.tree.parent(at)) {
            if (in_.tree.nextSibling(at) != kNoNode) {
                end = in_.tree.nextSibling(at);
                break;
            }
        }
        for (NodeIndex at = node; at < end; ++at) {
            if (!in_.tree.IsElement(at)) {
                continue;
            }
            note(in_.tree.name(at));
            for (const TreeAttribute& attribute : in_.tree.attributes(at)) {
                note(attribute.name);
            }
        }
    }

    void AppendMarkup(NodeIndex node, std::string& out, int depth) const {
        const auto escape = [&out](std::string_view text, bool attribute) {
            for (const char c : text) {
                switch (c) {
                    case '<':
                        out += "&lt;";
                        break;
                    case '&':
                        out += "&amp;";
                        break;
                    case '"':
                        out += attribute ? "&quot;" : "\"";
                        break;
                    default:
                        out += c;
                }
            }
        };
        if (!in_.tree.IsElement(node)) {
            escape(in_.tree.TextOf(node), false);
            return;
        }
        const std::string_view name = in_.tree.Text(in_.tree.name(node).written);
        out += '<';
        out += name;
        std::set<std::string_view> declared;
        for (const TreeAttribute& attribute : in_.tree.attributes(node)) {
            const std::string_view attributeName = in_.tree.Text(attribute.name.written);
            if (attributeName == "xmlns") {
                declared.insert(std::string_view());
            } else if (attributeName.starts_with("xmlns:")) {
                declared.insert(attributeName.substr(6));
            }
            out += ' ';
            out += attributeName;
            out += "=\"";
            escape(in_.tree.ValueOf(attribute), true);
            out += '"';
        }
        // The drawing is read on its own, away from the document that declared its namespaces:
        // each prefix it uses is declared on it, once.
        if (depth == 0) {
            std::map<std::string_view, std::string_view> used{
                {{}, "http://www.w3.org/2000/svg"}, {"xlink", "http://www.w3.org/1999/xlink"}};
            CollectPrefixes(node, used);
            for (const auto& [prefix, uri] : used) {
                if (declared.contains(prefix) || uri.empty()) {
                    continue;
                }
                out += prefix.empty() ? " xmlns" : " xmlns:";
                out += prefix;
                out += "=\"";
                escape(uri, true);
                out += '"';
            }
        }
        out += '>';
        for (NodeIndex child = in_.tree.firstChild(node); child != kNoNode;
             child = in_.tree.nextSibling(child)) {
            AppendMarkup(child, out, depth + 1);
        }
        out += "</";
        out += name;
        out += '>';
    }

    // The size a replaced element takes, within `available` wide.
    PlacedPicture SizeReplaced(NodeIndex element, double available) const {
        PlacedPicture picture;
        picture.element = element;
        const ComputedStyle& style = in_.styles[element];
        const std::string_view name = in_.tree.LocalName(element);
        double naturalWidth = 300;
        double naturalHeight = 150;
        if (name == "img") {
            picture.kind = PlacedPicture::Kind::Raster;
            // A picture that cannot be had takes only the room its attributes or style give.
            naturalWidth = 0;
            naturalHeight = 0;
            if (const auto path = ResolveSource(in_.tree.AttributeValue(element, "src"))) {
                picture.source = *path;
                if (in_.pictureSize) {
                    if (const std::optional<PictureSize> size = in_.pictureSize(*path)) {
                        naturalWidth = size->width;
                        naturalHeight = size->height;
                    }
                }
            }
        } else if (name == "svg") {
            picture.kind = PlacedPicture::Kind::Svg;
            picture.svgText = SvgMarkup(element);
        } else if (name == "audio") {
            // A sound shows its bar of buttons, whatever size the book asks for.
            picture.kind = PlacedPicture::Kind::Audio;
            picture.source = AudioSource(element);
            picture.width = kAudioBarWidth;
            picture.height = kAudioBarHeight;
            return picture;
        }
        // A percentage height is of the containing block's height, which the flow of a page
        // leaves open, so it counts as none.
        const std::optional<double> widthAttribute =
            DimensionAttribute(element, "width", available);
        const std::optional<double> heightAttribute =
            DimensionAttribute(element, "height", std::nullopt);
        const double ratio = naturalWidth > 0 ? naturalHeight / naturalWidth : 1.0;
        std::optional<double> width = widthAttribute;
        std::optional<double> height = heightAttribute;
        if (style.width.unit != LengthUnit::Auto) {
            width = Resolve(style.width, available);
        }
        if (style.height.unit == LengthUnit::Px) {
            height = style.height.value;
        }
        if (width && !height) {
            height = *width * ratio;
        } else if (height && !width) {
            width = ratio > 0 ? *height / ratio : *height;
        } else if (!width && !height) {
            width = naturalWidth;
            height = naturalHeight;
        }
        double w = *width;
        double h = *height;
        // A picture is never wider than its line, nor taller than its limits allow, and keeps
        // its shape while it shrinks.
        double maxWidth = available;
        if (style.maxWidth.unit != LengthUnit::None) {
            maxWidth = std::min(maxWidth, Resolve(style.maxWidth, available, maxWidth));
        }
        if (w > maxWidth && w > 0) {
            h *= maxWidth / w;
            w = maxWidth;
        }
        if (style.maxHeight.unit == LengthUnit::Px && h > style.maxHeight.value && h > 0) {
            w *= style.maxHeight.value / h;
            h = style.maxHeight.value;
        }
        picture.width = std::max(0.0, Finite(w));
        picture.height = std::max(0.0, Finite(h));
        return picture;
    }

    // The sound an audio element plays: its own src, else its first source element's.
    std::string AudioSource(NodeIndex element) const {
        if (const std::optional<std::string_view> src = in_.tree.Attribute(element, "src")) {
            return std::string(*src);
        }
        for (NodeIndex child = in_.tree.firstChild(element); child != kNoNode;
             child = in_.tree.nextSibling(child)) {
            if (in_.tree.IsElement(child) && in_.tree.LocalName(child) == "source") {
                if (const auto src = in_.tree.Attribute(child, "src")) {
                    return std::string(*src);
                }
            }
        }
        return {};
    }

    std::optional<std::string> ResolveSource(std::string_view reference) const {
        if (reference.empty()) {
            return std::nullopt;
        }
        // A local copy of the resolution in the style layer's terms would repeat it: the
        // path is the document's folder joined with the reference.
        std::string base(in_.documentPath);
        const std::size_t slash = base.rfind('/');
        base = slash == std::string::npos ? std::string() : base.substr(0, slash + 1);
        std::vector<std::string> steps;
        std::string whole = base + std::string(reference.substr(0, reference.find_first_of("#?")));
        std::size_t at = 0;
        while (at <= whole.size()) {
            const std::size_t cut = std::min(whole.find('/', at), whole.size());
            const std::string step = whole.substr(at, cut - at);
            if (step == "..") {
                if (!steps.empty()) {
                    steps.pop_back();
                }
            } else if (!step.empty() && step != ".") {
                steps.push_back(step);
            }
            at = cut + 1;
        }
        std::string path;
        for (const std::string& step : steps) {
            path += (path.empty() ? "" : "/") + step;
        }
        return path;
    }

    double PlaceReplaced(NodeIndex element, double x, double y, double available, bool block) {
        PlacedPicture picture = SizeReplaced(element, available);
        picture.x = x;
        if (block) {
            const ComputedStyle& style = in_.styles[element];
            if (style.marginLeft.unit == LengthUnit::Auto &&
                style.marginRight.unit == LengthUnit::Auto) {
                picture.x = x + std::max(0.0, (available - picture.width) / 2);
            }
        }
        picture.y = y;
        MarkTop(element, y);
        const double height = picture.height;
        AddItem(DisplayItem::Kind::Picture, static_cast<std::uint32_t>(out_.pictures.size()), y,
                y + height);
        out_.pictures.push_back(std::move(picture));
        return height;
    }

    // ----- Lines -----

    struct BlockText {
        std::vector<ShapedRun> runs;
        std::vector<Piece> pieces;
        std::vector<std::string> links;
        std::vector<NodeIndex> linkElements;
        std::vector<PlacedPicture> pictures;
        std::vector<InlineBlock> inlineBlocks;
        std::vector<Decoration> decorations;
        std::vector<std::pair<std::size_t, NodeIndex>> marks;  // elements starting at a piece
    };

    static bool IsLink(const DocumentTree& tree, NodeIndex element) {
        return tree.IsHtml(element) && tree.LocalName(element) == "a" &&
               tree.Attribute(element, "href").has_value();
    }

    static char32_t Transform(char32_t c, CssTextTransform transform, bool wordStart) {
        switch (transform) {
            case CssTextTransform::Uppercase:
                return g_unichar_toupper(c);
            case CssTextTransform::Lowercase:
                return g_unichar_tolower(c);
            case CssTextTransform::Capitalize:
                return wordStart ? g_unichar_totitle(c) : c;
            case CssTextTransform::None:
                break;
        }
        return c;
    }

    // `ink` counts the characters other than white space of `textNode` before `utf8`, and goes
    // on counting through it.
    void AddText(BlockText& text, NodeIndex element, NodeIndex textNode, std::uint32_t& ink,
                 std::string_view utf8, int level, int link, std::uint32_t decoration,
                 double shift) {
        const ComputedStyle& style = in_.styles[element];
        std::vector<char32_t> characters;
        // The ink before each character, for the clusters' places in the source.
        std::vector<std::uint32_t> inkBefore;
        bool wordStart = true;
        for (std::size_t at = 0; at < utf8.size();) {
            const char32_t c = DecodeUtf8(utf8, at);
            characters.push_back(Transform(c, style.textTransform, wordStart));
            inkBefore.push_back(ink);
            if (!IsSourceBlank(c)) {
                ++ink;
            }
            wordStart = c == U' ';
        }
        // Small capitals, where the font has none of its own, are capitals at a smaller size.
        std::vector<std::pair<std::vector<char32_t>, double>> parts;
        if (style.fontVariant == CssFontVariant::SmallCaps) {
            for (const char32_t c : characters) {
                const bool lower = g_unichar_islower(c);
                const double size = lower ? style.fontSize * 0.7 : style.fontSize;
                if (parts.empty() || parts.back().second != size) {
                    parts.push_back({{}, size});
                }
                parts.back().first.push_back(lower ? g_unichar_toupper(c) : c);
            }
        } else {
            parts.push_back({std::move(characters), style.fontSize});
        }
        std::size_t partStart = 0;
        for (const auto& [part, size] : parts) {
            FontMetrics& font = FontOf(style, size);
            text.runs.emplace_back();
            ShapedRun& run = text.runs.back();
            ShapeRun(in_.fonts, in_.cr, font, part, level, {}, run);
            const auto runIndex = static_cast<std::uint32_t>(text.runs.size() - 1);
            for (std::uint32_t c = 0; c < run.clusters.size(); ++c) {
                const ShapedCluster& cluster = run.clusters[c];
                Piece piece;
                piece.kind = Piece::Kind::Cluster;
                piece.run = runIndex;
                piece.cluster = c;
                piece.element = element;
                piece.advance =
                    cluster.advance +
                    (cluster.glyphCount > 0 || cluster.blank ? style.letterSpacing : 0.0);
                if (cluster.blank) {
                    piece.advance += style.wordSpacing;
                }
                piece.blank = cluster.blank;
                piece.breakBefore = cluster.breakBefore;
                piece.link = link;
                piece.decorations = decoration;
                piece.shift = shift;
                piece.textNode = textNode;
                const std::size_t first = partStart + cluster.firstCharacter;
                piece.ink = first < inkBefore.size() ? inkBefore[first] : ink;
                text.pieces.push_back(piece);
            }
            partStart += part.size();
        }
    }

    // What an inline element adds to the line: its link, its decorations, its raise.
    struct InlineContext {
        int link = -1;
        std::uint32_t decoration = 0;
        double shift = 0;
    };

    // Where the gathering of a block's inline content stands: a block is shaped a little ahead
    // of the line being broken, never all at once, so that a paragraph of megabytes (or one
    // word that long) costs the memory of a few lines.
    struct Gatherer {
        std::span<const InlineItem> items;
        std::size_t next = 0;    // the item to gather next
        std::size_t textAt = 0;  // how far into it, for text
        // The text node being gathered, and its ink so far (see Piece).
        NodeIndex inkNode = kNoNode;
        std::uint32_t ink = 0;
        std::vector<InlineContext> stack{{-1, 0, 0}};
        bool Done() const { return next >= items.size(); }
    };

    // Text is shaped in pieces of about this many bytes, cut at a blank where one is near.
    static constexpr std::size_t kShapingChunk = 4096;
    // The pieces gathered ahead of the line being broken.
    static constexpr std::size_t kLookahead = 4096;

    // Gathers items until the block holds `want` pieces or its content ends.
    void GatherMore(Gatherer& gatherer, BlockText& text, int level, double width,
                    std::size_t want) {
        while (!gatherer.Done() && text.pieces.size() < want) {
            const InlineItem& item = gatherer.items[gatherer.next];
            const InlineContext& context = gatherer.stack.back();
            std::vector<InlineContext>& stack = gatherer.stack;
            switch (item.kind) {
                case InlineItem::Kind::Text: {
                    const std::string_view whole = in_.boxes.TextOf(item);
                    std::size_t cut = std::min(whole.size(), gatherer.textAt + kShapingChunk);
                    if (cut < whole.size()) {
                        // Only the last few hundred bytes are searched: a text with no
                        // blank at all must not be searched back to its start for each piece.
                        const std::size_t from = std::max(gatherer.textAt + 1, cut - 512);
                        const std::size_t blank = whole.substr(from, cut - from).rfind(' ');
                        if (blank != std::string_view::npos) {
                            cut = from + blank + 1;
                        }
                        // Never inside a character.
                        while (cut > gatherer.textAt + 1 &&
                               (static_cast<unsigned char>(whole[cut]) & 0xC0) == 0x80) {
                            --cut;
                        }
                    }
                    if (item.node != gatherer.inkNode) {
                        // A node's text goes on across the items a kept line end cut it into.
                        gatherer.inkNode = item.node;
                        gatherer.ink = 0;
                    }
                    AddText(text, in_.tree.parent(item.node), item.node, gatherer.ink,
                            whole.substr(gatherer.textAt, cut - gatherer.textAt), level,
                            context.link, context.decoration, context.shift);
                    gatherer.textAt = cut;
                    if (cut < whole.size()) {
                        continue;
                    }
                    gatherer.textAt = 0;
                    break;
                }
                case InlineItem::Kind::OpenInline: {
                    InlineContext inner = context;
                    const ComputedStyle& style = in_.styles[item.node];
                    text.marks.push_back({text.pieces.size(), item.node});
                    if (IsLink(in_.tree, item.node)) {
                        inner.link = static_cast<int>(text.links.size());
                        text.links.emplace_back(in_.tree.AttributeValue(item.node, "href"));
                        text.linkElements.push_back(item.node);
                    }
                    const TextDecorationLines lines = style.textDecorationLine;
                    if (lines.underline || lines.overline || lines.lineThrough) {
                        Decoration added = text.decorations[context.decoration];
                        added.lines.underline = added.lines.underline || lines.underline;
                        added.lines.overline = added.lines.overline || lines.overline;
                        added.lines.lineThrough = added.lines.lineThrough || lines.lineThrough;
                        added.color = style.color;
                        inner.decoration = static_cast<std::uint32_t>(text.decorations.size());
                        text.decorations.push_back(added);
                    }
                    const NodeIndex parent = in_.tree.parent(item.node);
                    const double parentSize =
                        parent == kNoNode ? style.fontSize : in_.styles[parent].fontSize;
                    switch (style.verticalAlign.kind) {
                        case VerticalAlignKind::Sub:
                            inner.shift -= parentSize / 5 + 1;
                            break;
                        case VerticalAlignKind::Super:
                            inner.shift += parentSize / 3 + 1;
                            break;
                        case VerticalAlignKind::Length:
                            inner.shift +=
                                Resolve(style.verticalAlign.length, UsedLineHeight(style));
                            break;
                        default:
                            break;
                    }
                    stack.push_back(inner);
                    break;
                }
                case InlineItem::Kind::CloseInline:
                    if (stack.size() > 1) {
                        stack.pop_back();
                    }
                    break;
                case InlineItem::Kind::Replaced: {
                    Piece piece;
                    piece.kind = Piece::Kind::Picture;
                    piece.element = item.node;
                    piece.picture = static_cast<std::uint32_t>(text.pictures.size());
                    PlacedPicture picture = SizeReplaced(item.node, width);
                    // A picture wider than the line shrinks to it.
                    if (picture.width > width && picture.width > 0) {
                        picture.height *= width / picture.width;
                        picture.width = width;
                    }
                    piece.advance = picture.width;
                    text.pictures.push_back(std::move(picture));
                    piece.link = context.link;
                    piece.shift = context.shift;
                    text.pieces.push_back(piece);
                    break;
                }
                case InlineItem::Kind::InlineBlock: {
                    Piece piece;
                    piece.kind = Piece::Kind::InlineBlock;
                    piece.element = item.node;
                    piece.picture = static_cast<std::uint32_t>(text.inlineBlocks.size());
                    text.inlineBlocks.push_back(LayOutInlineBlock(item.box, width));
                    piece.advance = text.inlineBlocks.back().width;
                    piece.link = context.link;
                    piece.shift = context.shift;
                    text.pieces.push_back(piece);
                    break;
                }
                case InlineItem::Kind::ForcedBreak: {
                    Piece piece;
                    piece.kind = Piece::Kind::Break;
                    piece.element =
                        in_.tree.IsElement(item.node) ? item.node : in_.tree.parent(item.node);
                    text.pieces.push_back(piece);
                    break;
                }
            }
            ++gatherer.next;
        }
    }

    // Lets go of the pieces before `start`, and of the shaped runs no remaining piece draws
    // from; the marks of elements still to be placed move with them.
    static void Forget(BlockText& text, std::size_t start, std::size_t& mark) {
        text.pieces.erase(text.pieces.begin(),
                          text.pieces.begin() + static_cast<std::ptrdiff_t>(start));
        text.marks.erase(text.marks.begin(),
                         text.marks.begin() + static_cast<std::ptrdiff_t>(mark));
        mark = 0;
        for (auto& [at, element] : text.marks) {
            at = at >= start ? at - start : 0;
        }
        std::uint32_t firstRun = static_cast<std::uint32_t>(text.runs.size());
        for (const Piece& piece : text.pieces) {
            if (piece.kind == Piece::Kind::Cluster) {
                firstRun = std::min(firstRun, piece.run);
            }
        }
        for (std::uint32_t run = 0; run < firstRun && run < text.runs.size(); ++run) {
            ShapedRun().characters.swap(text.runs[run].characters);
            std::vector<ShapedCluster>().swap(text.runs[run].clusters);
            std::vector<ShapedGlyph>().swap(text.runs[run].glyphs);
        }
    }

    // Lays out a block's inline content in lines from `top`; gives their height and the first
    // line's baseline.
    double LayOutLines(BoxIndex index, double x, double top, double width, double& firstBaseline) {
        const ComputedStyle& blockStyle = StyleOf(index);
        const int level = ParagraphLevel(index, blockStyle);
        lineRtl_ = level == 1;
        BlockText text;
        text.decorations.push_back({blockStyle.textDecorationLine, blockStyle.color});
        Gatherer gatherer;
        gatherer.items = in_.boxes.items(index);
        const auto gather = [&](std::size_t want) {
            GatherMore(gatherer, text, level, width, want);
        };
        const double indent = Resolve(blockStyle.textIndent, width);
        double y = top;
        std::size_t start = 0;
        bool firstLine = true;
        std::size_t mark = 0;
        const std::vector<Piece>& pieces = text.pieces;
        while (true) {
            gather(start + kLookahead);
            if (start >= pieces.size()) {
                break;
            }
            // Blanks at the start of a line are dropped (a pre line keeps them, but its blanks
            // come only after a forced break, where they are kept).
            const bool keepsBlanks =
                in_.styles[pieces[start].element].whiteSpace == CssWhiteSpace::Pre ||
                in_.styles[pieces[start].element].whiteSpace == CssWhiteSpace::PreWrap;
            if (!keepsBlanks && pieces[start].blank) {
                ++start;
                continue;
            }
            const double lineIndent = firstLine ? indent : 0.0;
            const double available = std::max(kMinimumLineWidth, width - lineIndent);
            const bool noWrap = blockStyle.whiteSpace == CssWhiteSpace::Nowrap ||
                                blockStyle.whiteSpace == CssWhiteSpace::Pre;
            // Greedy breaking: as many pieces as fit, ending at the last break opportunity.
            double used = 0;
            std::size_t end = start;
            std::size_t lastBreak = start;  // a line may end before this piece
            bool forced = false;
            while (true) {
                if (end >= pieces.size()) {
                    if (gatherer.Done()) {
                        break;
                    }
                    gather(end + kLookahead);
                    continue;
                }
                const Piece& piece = pieces[end];
                if (piece.kind == Piece::Kind::Break) {
                    forced = true;
                    break;
                }
                const bool opportunity =
                    end > start && !piece.blank &&
                    (pieces[end - 1].blank || piece.breakBefore ||
                     piece.kind == Piece::Kind::Picture || piece.kind == Piece::Kind::InlineBlock ||
                     pieces[end - 1].kind == Piece::Kind::InlineBlock ||
                     pieces[end - 1].kind == Piece::Kind::Picture);
                if (opportunity) {
                    lastBreak = end;
                }
                if (!piece.blank && used + piece.advance > available + 0.01 && !noWrap &&
                    end > start) {
                    if (lastBreak > start) {
                        end = lastBreak;
                    }
                    break;
                }
                used += piece.advance;
                ++end;
            }
            // The line holds [start, end); trailing blanks hang and take no room.
            std::size_t visibleEnd = end;
            while (visibleEnd > start && pieces[visibleEnd - 1].blank && !keepsBlanks) {
                --visibleEnd;
            }
            const double lineTop = y;
            double baseline = 0;
            const double height =
                PlaceLine(text, start, visibleEnd, x, lineTop, width, lineIndent, blockStyle,
                          forced || (end >= pieces.size() && gatherer.Done()), baseline);
            while (mark < text.marks.size() && text.marks[mark].first < end) {
                MarkTop(text.marks[mark].second, lineTop);
                ++mark;
            }
            if (firstLine) {
                firstBaseline = baseline;
            }
            y += height;
            firstLine = false;
            start = forced ? end + 1 : end;
            if (start > kLookahead) {
                Forget(text, start, mark);
                start = 0;
            }
        }
        while (mark < text.marks.size()) {
            MarkTop(text.marks[mark].second, y);
            ++mark;
        }
        return y - top;
    }

    struct Extent {
        double ascent = 0;
        double descent = 0;
    };

    // The room a piece's inline box takes above and below the baseline, half-leading included.
    Extent ExtentOf(const BlockText& text, const Piece& piece) {
        if (piece.kind == Piece::Kind::InlineBlock) {
            const InlineBlock& block = text.inlineBlocks[piece.picture];
            return {block.baseline + piece.shift, block.height - block.baseline - piece.shift};
        }
        if (piece.kind == Piece::Kind::Picture) {
            return {text.pictures[piece.picture].height + piece.shift, -piece.shift};
        }
        const ComputedStyle& style = in_.styles[piece.element];
        const FontMetrics* font = piece.kind == Piece::Kind::Cluster
                                      ? text.runs[piece.run].clusters[piece.cluster].font
                                      : nullptr;
        const double ascent = font ? font->extents().ascent : style.fontSize * 0.8;
        const double descent = font ? font->extents().descent : style.fontSize * 0.2;
        const double leading = (UsedLineHeight(style) - (ascent + descent)) / 2;
        return {ascent + leading + piece.shift, descent + leading - piece.shift};
    }

    double PlaceLine(const BlockText& text, std::size_t start, std::size_t end, double x,
                     double top, double width, double indent, const ComputedStyle& blockStyle,
                     bool lastLine, double& baselineOut) {
        // The strut: every line is at least as tall as the block's own font and line height.
        FontMetrics& strutFont = FontOf(blockStyle, blockStyle.fontSize);
        const double strutLeading = (UsedLineHeight(blockStyle) - strutFont.extents().ascent -
                                     strutFont.extents().descent) /
                                    2;
        double above = strutFont.extents().ascent + strutLeading;
        double below = strutFont.extents().descent + strutLeading;
        double used = 0;
        std::size_t blanks = 0;
        for (std::size_t i = start; i < end; ++i) {
            const Piece& piece = text.pieces[i];
            used += piece.advance;
            blanks += piece.blank;
            if (piece.blank) {
                continue;
            }
            const Extent extent = ExtentOf(text, piece);
            above = std::max(above, extent.ascent);
            below = std::max(below, extent.descent);
        }
        const double height = std::max(0.0, above + below);
        const double baseline = top + above;
        baselineOut = baseline;

        // Where the line starts, by the alignment.
        const bool rtl = lineRtl_;
        // A negative indent hangs the first line out into the block's padding.
        double left = x + (rtl ? 0 : indent);
        const double lineWidth = width - indent;
        double extraPerBlank = 0;
        CssTextAlign align = blockStyle.textAlign;
        if (align == CssTextAlign::Start) {
            align = rtl ? CssTextAlign::Right : CssTextAlign::Left;
        } else if (align == CssTextAlign::End) {
            align = rtl ? CssTextAlign::Left : CssTextAlign::Right;
        }
        const double free = lineWidth - used;
        switch (align) {
            case CssTextAlign::Right:
                left += std::max(free, 0.0);
                break;
            case CssTextAlign::Center:
                left += std::max(free, 0.0) / 2;
                break;
            case CssTextAlign::Justify:
                if (!lastLine && blanks > 0 && free > 0) {
                    extraPerBlank = free / static_cast<double>(blanks);
                }
                break;
            default:
                break;
        }
        if (rtl && align == CssTextAlign::Right) {
            left -= indent;
        }

        // Visual order: runs of higher embedding levels reversed, from the highest level down.
        std::vector<std::size_t> order;
        order.reserve(end - start);
        int highest = 0;
        int lowestOdd = 255;
        for (std::size_t i = start; i < end; ++i) {
            order.push_back(i);
            const int level = LevelOf(text, text.pieces[i], rtl);
            highest = std::max(highest, level);
            if (level & 1) {
                lowestOdd = std::min(lowestOdd, level);
            }
        }
        for (int level = highest; level >= lowestOdd && level > 0; --level) {
            for (std::size_t i = 0; i < order.size();) {
                if (LevelOf(text, text.pieces[order[i]], rtl) < level) {
                    ++i;
                    continue;
                }
                std::size_t j = i;
                while (j < order.size() && LevelOf(text, text.pieces[order[j]], rtl) >= level) {
                    ++j;
                }
                std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i),
                             order.begin() + static_cast<std::ptrdiff_t>(j));
                i = j;
            }
        }

        LineBox line;
        line.x = left;
        line.top = top;
        line.height = height;
        line.baseline = baseline;
        // The line's own words: an inline block's, merged as it is placed, are its own lines'.
        std::vector<PlacedWord> lineWords;

        // Places each piece, gathering glyph runs of one font and colour, words, links and
        // decorations as they come.
        double pen = left;
        PlacedGlyphRun current;
        const FontMetrics* currentFont = nullptr;
        bool open = false;
        const auto closeRun = [&] {
            if (open && current.glyphCount > 0) {
                const double runTop = baseline - currentFont->extents().ascent - 64;
                AddItem(DisplayItem::Kind::Glyphs, static_cast<std::uint32_t>(out_.runs.size()),
                        std::min(runTop, top), std::max(baseline + 64, top + height));
                out_.runs.push_back(current);
            }
            open = false;
        };
        PlacedWord word;
        bool inWord = false;
        const auto closeWord = [&] {
            if (inWord) {
                lineWords.push_back(word);
            }
            inWord = false;
        };
        struct Span {
            double left, right;
            int link;
            std::uint32_t decoration;
            double size;
            RgbaColor color;
            double shift;
        };
        std::vector<Span> spans;
        for (const std::size_t i : order) {
            const Piece& piece = text.pieces[i];
            double advance = piece.advance + (piece.blank ? extraPerBlank : 0);
            if (piece.kind == Piece::Kind::InlineBlock) {
                closeRun();
                closeWord();
                const InlineBlock& block = text.inlineBlocks[piece.picture];
                Merge(block, pen, baseline - piece.shift - block.baseline);
            } else if (piece.kind == Piece::Kind::Picture) {
                closeRun();
                closeWord();
                PlacedPicture picture = text.pictures[piece.picture];
                picture.x = pen;
                picture.y = baseline - piece.shift - picture.height;
                MarkTop(piece.element, picture.y);
                AddItem(DisplayItem::Kind::Picture,
                        static_cast<std::uint32_t>(out_.pictures.size()), picture.y,
                        picture.y + picture.height);
                out_.pictures.push_back(std::move(picture));
            } else if (piece.kind == Piece::Kind::Cluster) {
                const ShapedRun& run = text.runs[piece.run];
                const ShapedCluster& cluster = run.clusters[piece.cluster];
                const ComputedStyle& style = in_.styles[piece.element];
                if (cluster.glyphCount > 0 && cluster.font != nullptr) {
                    if (!open || currentFont != cluster.font || !(current.color == style.color)) {
                        closeRun();
                        current = {FontIndex(cluster.font->scaledFont()),
                                   style.color,
                                   static_cast<std::uint32_t>(out_.glyphs.size()),
                                   0,
                                   static_cast<std::uint32_t>(out_.runText.size()),
                                   0,
                                   static_cast<std::uint32_t>(out_.clusters.size()),
                                   0};
                        currentFont = cluster.font;
                        open = true;
                    }
                    for (std::uint32_t g = 0; g < cluster.glyphCount; ++g) {
                        const ShapedGlyph& glyph = run.glyphs[cluster.firstGlyph + g];
                        out_.glyphs.push_back(
                            {glyph.index, pen + glyph.x, baseline - piece.shift + glyph.y});
                        ++current.glyphCount;
                    }
                    const std::string clusterText = run.TextOf(cluster);
                    out_.runText += clusterText;
                    out_.clusters.push_back({static_cast<int>(clusterText.size()),
                                             static_cast<int>(cluster.glyphCount)});
                    current.textLength += static_cast<std::uint32_t>(clusterText.size());
                    ++current.clusterCount;
                }
                if (piece.blank) {
                    closeWord();
                } else {
                    const std::uint32_t styleIndex = WordStyleOf(
                        style, cluster.font ? *cluster.font : FontOf(style, style.fontSize));
                    if (inWord && word.style != styleIndex) {
                        closeWord();
                    }
                    if (!inWord) {
                        word = {static_cast<std::uint32_t>(out_.wordText.size()), 0, pen, 0,
                                styleIndex};
                        inWord = true;
                    }
                    // Right to left, a word's clusters come last first: it starts at the
                    // earliest of them.
                    if (piece.textNode != kNoNode &&
                        (word.sourceNode == kNoNode || piece.textNode < word.sourceNode ||
                         (piece.textNode == word.sourceNode && piece.ink < word.sourceInk))) {
                        word.sourceNode = piece.textNode;
                        word.sourceInk = piece.ink;
                    }
                    const std::string piece8 = run.TextOf(cluster);
                    out_.wordText += piece8;
                    word.textLength += static_cast<std::uint32_t>(piece8.size());
                    word.x = std::min(word.x, pen);
                    word.width = std::max(word.width, pen + advance - word.x);
                }
            }
            if (piece.kind != Piece::Kind::Break) {
                const ComputedStyle& style = in_.styles[piece.element];
                if (!spans.empty() && spans.back().link == piece.link &&
                    spans.back().decoration == piece.decorations &&
                    std::abs(spans.back().right - pen) < 0.01 &&
                    spans.back().shift == piece.shift) {
                    spans.back().right = pen + advance;
                    spans.back().size = std::max(spans.back().size, style.fontSize);
                } else {
                    spans.push_back({pen, pen + advance, piece.link, piece.decorations,
                                     style.fontSize, style.color, piece.shift});
                }
            }
            pen += advance;
        }
        closeRun();
        closeWord();
        line.width = pen - left;
        line.firstWord = static_cast<std::uint32_t>(out_.words.size());
        line.wordCount = static_cast<std::uint32_t>(lineWords.size());
        out_.words.insert(out_.words.end(), lineWords.begin(), lineWords.end());
        out_.lines.push_back(line);

        for (const Span& span : spans) {
            const Decoration& decoration = text.decorations[span.decoration];
            const double thickness = std::max(1.0, span.size / 16);
            const double spanBaseline = baseline - span.shift;
            if (decoration.lines.underline) {
                AddRect(span.left, spanBaseline + span.size * 0.1, span.right - span.left,
                        thickness, decoration.color);
            }
            if (decoration.lines.overline) {
                AddRect(span.left, spanBaseline - span.size * 0.9, span.right - span.left,
                        thickness, decoration.color);
            }
            if (decoration.lines.lineThrough) {
                AddRect(span.left, spanBaseline - span.size * 0.3, span.right - span.left,
                        thickness, decoration.color);
            }
            if (span.link >= 0) {
                out_.links.push_back({span.left, top, span.right - span.left, height,
                                      text.linkElements[static_cast<std::size_t>(span.link)],
                                      text.links[static_cast<std::size_t>(span.link)]});
            }
        }
        return height;
    }

    // The base direction of a block's lines: the style's where a `dir` attribute (or a sheet)
    // has set it; where nothing has, the direction of the first strong character, so that an
    // Arabic or Hebrew book that never says `dir` still reads from the right.
    int ParagraphLevel(BoxIndex index, const ComputedStyle& blockStyle) const {
        // The nearest `dir` decides; `auto`, or none at all where no sheet has made the text
        // right to left, leaves it to the text.
        bool automatic = false;
        for (NodeIndex node = in_.boxes.box(index).styleNode; node != kNoNode && !automatic;
             node = in_.tree.parent(node)) {
            if (const std::optional<std::string_view> dir = in_.tree.Attribute(node, "dir")) {
                automatic = g_ascii_strcasecmp(std::string(*dir).c_str(), "auto") == 0;
                if (!automatic) {
                    return blockStyle.direction == CssDirection::Rtl ? 1 : 0;
                }
            }
        }
        if (!automatic && blockStyle.direction == CssDirection::Rtl) {
            return 1;
        }
        std::vector<char32_t> characters;
        for (const InlineItem& item : in_.boxes.items(index)) {
            if (item.kind != InlineItem::Kind::Text) {
                continue;
            }
            const std::string_view text = in_.boxes.TextOf(item);
            for (std::size_t at = 0; at < text.size() && characters.size() < 4096;) {
                characters.push_back(DecodeUtf8(text, at));
            }
            const int level = ParagraphLevelOf(characters.data(), characters.size());
            if (level >= 0) {
                return level;
            }
            characters.clear();
        }
        return 0;
    }

    static int LevelOf(const BlockText& text, const Piece& piece, bool rtl) {
        if (piece.kind == Piece::Kind::Cluster) {
            return text.runs[piece.run].clusters[piece.cluster].level;
        }
        return rtl ? 1 : 0;
    }

    struct WordStyleKey {
        const FontMetrics* font;
        int weight;
        bool italic;
        RgbaColor color;
        double size;  // the element's: small capitals drawn smaller are still of its size
        bool operator==(const WordStyleKey&) const = default;
    };

    const LayoutInput& in_;
    PageLayout out_;
    std::unordered_map<cairo_scaled_font_t*, std::uint32_t> fontIndex_;
    // The base direction of the lines being laid out.
    bool lineRtl_ = false;
    // Set for an inline block's own layout, whose element positions wait in marks_.
    bool nested_ = false;
    // How many inline blocks enclose this layout.
    static constexpr int kMaxShrinkDepth = 4;
    int shrinkDepth_ = 0;
    std::vector<std::pair<NodeIndex, double>> marks_;
    std::vector<std::pair<WordStyleKey, std::uint32_t>> wordStyleKeys_;
    std::optional<std::pair<WordStyleKey, std::uint32_t>> lastWordStyle_;
};

}  // namespace

PageLayout LayOutBoxes(const LayoutInput& input) {
    return Layouter(input).Run();
}

std::pair<std::size_t, std::size_t> PageLayout::ItemsIn(double top, double bottom) const {
    const auto first = std::lower_bound(bottomsSoFar.begin(), bottomsSoFar.end(), top,
                                        [](double reach, double row) { return reach <= row; });
    const std::size_t from = static_cast<std::size_t>(first - bottomsSoFar.begin());
    // topsFromHere never falls: the first index whose remaining items all start at or below
    // the view's bottom ends the range.
    const auto last = std::lower_bound(topsFromHere.begin() + static_cast<std::ptrdiff_t>(from),
                                       topsFromHere.end(), bottom,
                                       [](double start, double row) { return start < row; });
    return {from, static_cast<std::size_t>(last - topsFromHere.begin())};
}

void PageLayout::IndexItems() {
    bottomsSoFar.resize(items.size());
    topsFromHere.resize(items.size());
    double reach = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < items.size(); ++i) {
        reach = std::max(reach, items[i].bottom);
        bottomsSoFar[i] = reach;
    }
    double start = std::numeric_limits<double>::infinity();
    for (std::size_t i = items.size(); i-- > 0;) {
        start = std::min(start, items[i].top);
        topsFromHere[i] = start;
    }
}

std::optional<double> PageLayout::PositionOf(const DocumentTree& tree, std::string_view id) const {
    const NodeIndex element = tree.FindId(id);
    if (element == kNoNode || element >= elementTop.size()) {
        return std::nullopt;
    }
    // An element that made no box of its own (an empty anchor) stands where its next one does.
    for (NodeIndex node = element; node < elementTop.size(); ++node) {
        if (!std::isnan(elementTop[node])) {
            return elementTop[node];
        }
    }
    return std::nullopt;
}

}  // namespace quirelle
