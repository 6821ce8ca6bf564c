#include "layout/layout_document.hpp"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <unordered_map>

#include "layout/cairo_style.hpp"
#include "layout/drawing_primitives.hpp"
#include "layout/layout_context.hpp"
#include "layout/pictures.hpp"
#include "layout/text_flow.hpp"
#include "platform/dump_file.hpp"
#include "platform/paths.hpp"
#include "platform/xml_parser.hpp"

namespace quirelle {

namespace {

// The elements the pass treats specially; everything else only feeds text and SVG markup.
enum class Element {
    Other,
    Body,
    Hr,
    Img,
    Image,
    Style,
    Title,
    Script,
    Span,
    Font,
    Ol,
    Ul,
    Li,
    Dt,
    Dd,
    H1,
    H2,
    H3,
    H4,
    Div,
    P,
    A,
    Pre,
    Code,
    Strong,
    Em,
    Td,
    Tr,
    Audio,
    U,
    I,
    B,
    Svg,
    Br,
    Source,
};

Element ElementOf(std::string_view name) {
    static const std::unordered_map<std::string_view, Element> elements = {
        {"body", Element::Body},     {"hr", Element::Hr},       {"img", Element::Img},
        {"image", Element::Image},   {"style", Element::Style}, {"title", Element::Title},
        {"script", Element::Script}, {"span", Element::Span},   {"font", Element::Font},
        {"ol", Element::Ol},         {"ul", Element::Ul},       {"li", Element::Li},
        {"dt", Element::Dt},         {"dd", Element::Dd},       {"h1", Element::H1},
        {"h2", Element::H2},         {"h3", Element::H3},       {"h4", Element::H4},
        {"div", Element::Div},       {"p", Element::P},         {"a", Element::A},
        {"pre", Element::Pre},       {"code", Element::Code},   {"strong", Element::Strong},
        {"em", Element::Em},         {"td", Element::Td},       {"tr", Element::Tr},
        {"audio", Element::Audio},   {"u", Element::U},         {"i", Element::I},
        {"b", Element::B},           {"svg", Element::Svg},     {"br", Element::Br},
        {"source", Element::Source},
    };
    const auto found = elements.find(name);
    return found == elements.end() ? Element::Other : found->second;
}

// Elements whose class and epub:type values are looked up in the style rules.
bool TakesClassLookup(Element element) {
    switch (element) {
        case Element::Img:
        case Element::A:
        case Element::Body:
        case Element::Span:
        case Element::H1:
        case Element::H2:
        case Element::H3:
        case Element::H4:
        case Element::Div:
        case Element::P:
        case Element::Pre:
        case Element::Code:
        case Element::Strong:
        case Element::Em:
        case Element::Td:
        case Element::Tr:
        case Element::Hr:
            return true;
        default:
            return false;
    }
}

// Values copied into SVG markup are escaped, so that a quote in an attribute cannot break it.
void AppendEscaped(std::string& out, std::string_view value) {
    for (const char c : value) {
        switch (c) {
            case '"':
                out += "&quot;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '&':
                out += "&amp;";
                break;
            default:
                out += c;
        }
    }
}

constexpr std::size_t kSvgCapacity = 1'000'000;
// Checkpoints stand at least this far apart, so that a pass that begins at one lays out little
// more than the rows in view.
constexpr double kSpacing = 1000.0;
// An audio bar stands this far below the pen, with its icons.
constexpr double kAudioBarReach = 60.0;
constexpr std::size_t kTextCapacity = 1'000'000;
constexpr std::string_view kSvgDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";

class ContentPass {
  public:
    explicit ContentPass(LayoutContext& context) : context_(context), layout_(context.state) {}

    void Run(std::string_view text) {
        layout_.ClearText();
        layout_.inSpan = false;
        layout_.picWidth.clear();
        layout_.picHeight.clear();
        layout_.picSource.clear();
        layout_.pictureIndex = 0;
        layout_.listType = ListType::None;
        layout_.listCounter = 1;
        layout_.linkCount = 0;
        layout_.linkHref.clear();
        layout_.inAudio = false;
        layout_.lineHeight = 0.0;
        layout_.lineDepth = 0.0;
        layout_.inLink = false;
        layout_.linkSpans.clear();
        layout_.inSvg = false;
        layout_.svgBuffer.clear();
        layout_.lineStarted = false;
        layout_.skipBlanks = false;
        layout_.paragraphLevel = -1;
        layout_.declaredLevel = -1;
        layout_.language.clear();
        declarations_.clear();
        depth_ = 0;
        // A new context knows none of the fonts handed to the last one.
        context_.currentFont = nullptr;
        layout_.fontOnContext = nullptr;
        layout_.sourceIsTextColor = false;
        if (layout_.cr != nullptr) {
            context_.fonts.BeginPass(layout_.cr);
        }

        DocumentEvents& events = context_.documentEvents;
        events.Record(text);
        layout_.endedEarly = false;
        layout_.tallestFont = 0.0;
        bodyBegun_ = false;
        std::size_t first = 0;
        layout_.resumed = false;
        keeping_ = KeepsCheckpoints();
        if (keeping_) {
            context_.checkpoints.Use({events.generation(), context_.areaWidth, context_.settings,
                                      context_.cssEnabled, context_.fonts.generation(),
                                      context_.fonts.passOptions()});
            if (const PassCheckpoint* from = StartingPoint()) {
                Resume(*from);
                first = from->event;
                layout_.resumed = true;
            }
            // Nothing that starts further below the view than anything reaches can show.
            const std::optional<double>& reach = context_.checkpoints.reach;
            if (layout_.resumable && reach && std::isfinite(layout_.endBelow)) {
                layout_.endBelow = std::min(layout_.endBelow, layout_.visibleBottom + *reach);
            }
        }
        for (std::size_t i = first; i < events.size() && !layout_.endedEarly; ++i) {
            const DocumentEvent& event = events[i];
            switch (event.kind) {
                case DocumentEvent::Kind::Start:
                    if (keeping_) {
                        KeepCheckpoint(i);
                    }
                    OnStart(events.NameOf(event), events.AttributesOf(event));
                    break;
                case DocumentEvent::Kind::End:
                    OnEnd(events.NameOf(event));
                    break;
                case DocumentEvent::Kind::Characters:
                    OnCharacters(events.CharactersOf(event));
                    break;
            }
        }
        // Text after the last flushing end would otherwise never be seen.
        if (!layout_.endedEarly) {
            RescuePendingText();
            if (keeping_ && context_.fonts.generation() == fontGeneration_) {
                LearnReach();
            }
        }
    }

  private:
    // --- checkpoints: where a later pass over the same layout may begin ---

    // Only a screen's passes keep them: on a PDF, with cairo's own text calls, or while a trace
    // or a debugging or line box dump wants to see every element, a pass runs from the top.
    bool KeepsCheckpoints() {
        fontGeneration_ = context_.fonts.generation();
        return layout_.cr != nullptr &&
               cairo_surface_get_type(cairo_get_target(layout_.cr)) == CAIRO_SURFACE_TYPE_IMAGE &&
               !context_.referenceRendering && layout_.trace == nullptr &&
               layout_.dump == nullptr && context_.debug == DebugSwitches{};
    }

    // The last checkpoint above the rows in view by more than anything laid out before it can
    // reach down; none when the pass must run from the top.
    const PassCheckpoint* StartingPoint() const {
        const PassCheckpoints& saved = context_.checkpoints;
        if (!layout_.resumable || !saved.reach || !saved.pageStyle) {
            return nullptr;
        }
        const double top = layout_.visibleTop + context_.scrollY - *saved.reach;
        const PassCheckpoint* found = nullptr;
        for (const PassCheckpoint& checkpoint : saved.checkpoints) {
            if (checkpoint.y > top) {
                break;
            }
            found = &checkpoint;
        }
        return found;
    }

    void KeepCheckpoint(std::size_t event) {
        PassCheckpoints& saved = context_.checkpoints;
        cairo_t* cr = layout_.cr;
        if (context_.fonts.generation() != fontGeneration_) {
            // The fonts the checkpoints point at were let go.
            saved.Clear();
            keeping_ = false;
            return;
        }
        if (!bodyBegun_ || !cairo_has_current_point(cr)) {
            return;
        }
        double x, y;
        cairo_get_current_point(cr, &x, &y);
        const double scroll = context_.scrollY;
        if (!saved.checkpoints.empty() && (event <= saved.checkpoints.back().event ||
                                           y + scroll < saved.checkpoints.back().y + kSpacing)) {
            return;
        }
        const auto finalPictures = static_cast<std::size_t>(layout_.pictureIndex);
        for (std::size_t i = saved.pictures.size(); i < finalPictures; ++i) {
            saved.pictures.push_back(layout_.pictures[i]);
            saved.pictures.back().y += scroll;
        }
        for (auto i = static_cast<int>(saved.links.size()); i < layout_.linkCount; ++i) {
            saved.links.push_back(layout_.links[static_cast<std::size_t>(i)]);
            saved.links.back().y1 += scroll;
            saved.links.back().y2 += scroll;
        }

        // The state is copied without the record tables: the link table alone holds a
        // thousand rows.
        std::vector<LinkRecord> links;
        std::vector<PictureRecord> pictures;
        std::swap(links, layout_.links);
        std::swap(pictures, layout_.pictures);
        PassCheckpoint checkpoint{.event = event, .x = x, .y = y + scroll, .state = layout_};
        std::swap(links, layout_.links);
        std::swap(pictures, layout_.pictures);
        LayoutState& state = checkpoint.state;
        state.cr = nullptr;
        state.pictures.assign(layout_.pictures.begin() + static_cast<std::ptrdiff_t>(finalPictures),
                              layout_.pictures.end());
        for (PictureRecord& picture : state.pictures) {
            picture.y += scroll;
        }
        for (LayoutState::LinkSpan& span : state.linkSpans) {
            span.top += scroll;
            span.bottom += scroll;
        }
        checkpoint.finalPictures = finalPictures;
        checkpoint.style = context_.style;
        checkpoint.currentFont = context_.currentFont;
        checkpoint.source.reset(cairo_pattern_reference(cairo_get_source(cr)));
        checkpoint.font.reset(cairo_scaled_font_reference(cairo_get_scaled_font(cr)));
        checkpoint.lineWidth = cairo_get_line_width(cr);
        checkpoint.hiddenTextStart = hiddenTextStart_;
        checkpoint.linkWidthSoFar = linkWidthSoFar_;
        checkpoint.depth = depth_;
        checkpoint.declarations = declarations_;
        saved.checkpoints.push_back(std::move(checkpoint));
    }

    // Takes up the pass where the checkpoint stands, after painting the page's background as
    // the body began it.
    void Resume(const PassCheckpoint& checkpoint) {
        const PassCheckpoints& saved = context_.checkpoints;
        cairo_t* cr = layout_.cr;
        const double scroll = context_.scrollY;
        // What this pass was started with stays.
        const bool measurePass = layout_.measurePass;
        const bool resumable = layout_.resumable;
        const bool blankWhitePage = layout_.blankWhitePage;
        const double endBelow = layout_.endBelow;
        const double visibleTop = layout_.visibleTop;
        const double visibleBottom = layout_.visibleBottom;
        std::vector<LinkRecord> links = std::move(layout_.links);
        layout_ = checkpoint.state;
        layout_.cr = cr;
        layout_.measurePass = measurePass;
        layout_.resumable = resumable;
        layout_.blankWhitePage = blankWhitePage;
        layout_.endBelow = endBelow;
        layout_.visibleTop = visibleTop;
        layout_.visibleBottom = visibleBottom;
        layout_.endedEarly = false;
        for (int i = 0; i < layout_.linkCount && static_cast<std::size_t>(i) < links.size(); ++i) {
            LinkRecord& link = links[static_cast<std::size_t>(i)];
            link = saved.links[static_cast<std::size_t>(i)];
            link.y1 -= scroll;
            link.y2 -= scroll;
        }
        layout_.links = std::move(links);
        std::vector<PictureRecord> pictures(
            saved.pictures.begin(),
            saved.pictures.begin() + static_cast<std::ptrdiff_t>(checkpoint.finalPictures));
        pictures.insert(pictures.end(), checkpoint.state.pictures.begin(),
                        checkpoint.state.pictures.end());
        for (PictureRecord& picture : pictures) {
            picture.y -= scroll;
        }
        layout_.pictures = std::move(pictures);
        for (LayoutState::LinkSpan& span : layout_.linkSpans) {
            span.top -= scroll;
            span.bottom -= scroll;
        }
        hiddenTextStart_ = checkpoint.hiddenTextStart;
        linkWidthSoFar_ = checkpoint.linkWidthSoFar;
        depth_ = checkpoint.depth;
        declarations_ = checkpoint.declarations;
        bodyBegun_ = true;

        context_.style = *saved.pageStyle;
        PaintPageBackground(context_);
        context_.style = checkpoint.style;
        context_.currentFont = checkpoint.currentFont;
        cairo_set_source(cr, checkpoint.source.get());
        cairo_set_scaled_font(cr, checkpoint.font.get());
        cairo_set_line_width(cr, checkpoint.lineWidth);
        cairo_move_to(cr, checkpoint.x, checkpoint.y - scroll);
    }

    // After a pass over the whole document: how far below the pen anything it lays out may
    // reach (three heights of its tallest font, its tallest picture, an audio bar).
    void LearnReach() {
        double tallestPicture = 0.0;
        for (const PictureRecord& picture : layout_.pictures) {
            tallestPicture = std::max(tallestPicture, picture.height);
        }
        if (!std::isfinite(tallestPicture) || !std::isfinite(layout_.tallestFont)) {
            return;
        }
        context_.checkpoints.reach = 3.0 * layout_.tallestFont + tallestPicture + kAudioBarReach;
    }

    void OnStart(const XML_Char* name, const XML_Char** attributes) {
        if (EndsHere()) {
            return;
        }
        ++depth_;
        Declare(XmlAttributes(attributes));
        Start(name, XmlAttributes(attributes));
    }
    void OnEnd(const XML_Char* name) {
        End(name);
        Undeclare();
        --depth_;
    }

    // The direction and language an element declares hold until it ends.
    void Declare(const XmlAttributes& attributes) {
        int level = layout_.declaredLevel;
        std::string_view language = layout_.language;
        bool declares = false;
        attributes.ForEach([&](std::string_view attribute, std::string_view value) {
            if (attribute == "dir") {
                level = value == "rtl" ? 1 : value == "ltr" ? 0 : -1;
                declares = true;
            } else if (attribute == "lang" || attribute == "xml:lang") {
                language = value;
                declares = true;
            }
        });
        if (declares) {
            declarations_.push_back({depth_, level, std::string(language)});
            layout_.declaredLevel = level;
            layout_.language = declarations_.back().language;
        }
    }
    void Undeclare() {
        if (declarations_.empty() || declarations_.back().depth != depth_) {
            return;
        }
        declarations_.pop_back();
        layout_.declaredLevel = declarations_.empty() ? -1 : declarations_.back().level;
        layout_.language = declarations_.empty() ? "" : declarations_.back().language;
    }
    void OnCharacters(std::string_view text) { Characters(text); }

    // A pass that may end early (see LayoutState::endBelow) ends at the first element that
    // starts below that line, unless a link is open: a link ends its record only at its end.
    bool EndsHere() {
        if (!layout_.endedEarly && layout_.cr != nullptr && !layout_.inLink) {
            double x, y;
            cairo_get_current_point(layout_.cr, &x, &y);
            if (y > layout_.endBelow) {
                layout_.endedEarly = true;
            }
        }
        return layout_.endedEarly;
    }

    // --- the vocabulary of the pass ---

    void Flush() {
        // A link's rectangle covers every piece of its text, also those drawn before an i, b or
        // u inside it, each measured in the font it is drawn in.
        if (layout_.inLink) {
            linkWidthSoFar_ += TextAdvance(context_, layout_.textBuffer);
        }
        DrawTextRun(context_, layout_.textBuffer);
    }
    void Clear() { layout_.ClearText(); }
    bool HasInk() const {
        return layout_.textBuffer.find_first_not_of(" \t\r\n") != std::string::npos;
    }
    // Text gathered before an element that clears it or changes the style is drawn first, in the
    // style in force before the element; only white space is let go.
    void RescuePendingText() {
        if (HasInk()) {
            Flush();
            Clear();
        }
    }
    void Kind(ElementKind kind) { SelectElementStyle(context_, kind); }
    void Lookup(std::string_view key) { ApplyElementStyle(context_, key); }
    void ImageDebug(const std::string& line) {
        if (context_.debug.debugImages) {
            WriteDump(RamPath("debug_image.txt"), line, DumpMode::Append);
        }
    }
    void NewLineHere() { NewLine(context_); }
    void AdvancePictureIndex() {
        const auto next = static_cast<std::size_t>(layout_.pictureIndex) + 1;
        if (next >= kMaxPictureRecords) {
            return;
        }
        if (next == layout_.pictures.size()) {
            layout_.pictures.emplace_back();
        }
        ++layout_.pictureIndex;
    }
    double PlacedPictureHeight() const {
        return layout_.pictures[static_cast<std::size_t>(layout_.pictureIndex)].height;
    }

    // --- expat's callbacks ---

    void Start(std::string_view name, const XmlAttributes& attributes) {
        const Element element = ElementOf(name);
        switch (element) {
            case Element::Body:
                ParseAllRules(context_);
                Lookup("body");
                if (keeping_) {
                    // A second body paints the page again; checkpoints could not repeat that.
                    if (bodyBegun_) {
                        context_.checkpoints.Clear();
                        keeping_ = false;
                    } else {
                        context_.checkpoints.pageStyle = context_.style;
                    }
                }
                bodyBegun_ = true;
                BeginPageContent(context_);
                layout_.lineStarted = false;
                break;
            case Element::Hr:
                RescuePendingText();
                context_.style.pictureAlign = TextAlign::Left;
                Lookup("hr");
                Clear();
                break;
            case Element::Img:
                context_.style.pictureAlign = TextAlign::Left;
                Lookup("img");
                ImageDebug("------ Pic -------\n");
                break;
            case Element::Image:
                ImageDebug("------ Pic -------\n");
                break;
            case Element::Style:
                RescuePendingText();
                Clear();
                hiddenTextStart_ = 0;
                break;
            case Element::Title:
            case Element::Script:
                hiddenTextStart_ = layout_.textBuffer.size();
                break;
            case Element::Span:
                RescuePendingText();
                layout_.inSpan = true;
                ApplyFont(context_);
                Clear();
                break;
            case Element::Font:
                RescuePendingText();
                ApplyFont(context_);
                Clear();
                break;
            case Element::Ol:
            case Element::Ul:
                RescuePendingText();
                layout_.listType = element == Element::Ol ? ListType::Ordered : ListType::Unordered;
                NewLineHere();
                break;
            case Element::Li: {
                RescuePendingText();
                Kind(ElementKind::ListItem);
                std::string marker;
                if (layout_.listType == ListType::Ordered) {
                    marker = std::to_string(layout_.listCounter) + ". ";
                } else if (layout_.listType == ListType::Unordered) {
                    marker = "\xE2\x97\x8F ";
                }
                DrawListMarker(context_, marker);
                break;
            }
            case Element::Dt:
            case Element::Dd:
                RescuePendingText();
                Kind(ElementKind::ListItem);
                Lookup(name);
                Clear();
                break;
            case Element::H1:
            case Element::H2:
            case Element::H3:
            case Element::H4: {
                RescuePendingText();
                static constexpr ElementKind kKinds[] = {ElementKind::Header1, ElementKind::Header2,
                                                         ElementKind::Header3,
                                                         ElementKind::Header4};
                Kind(kKinds[static_cast<int>(element) - static_cast<int>(Element::H1)]);
                Lookup(name);
                Clear();
                break;
            }
            case Element::Div:
                RescuePendingText();
                Lookup("div");
                NewLineHere();
                Clear();
                break;
            case Element::P:
                RescuePendingText();
                Kind(ElementKind::BodyText);
                Lookup("p");
                Clear();
                break;
            case Element::A:
                RescuePendingText();
                Kind(ElementKind::Link);
                Lookup("a");
                layout_.linkAudio = false;
                layout_.linkPlayer.clear();
                Clear();
                layout_.inLink = true;
                layout_.linkSpans.clear();
                layout_.linkSpansMoved = false;
                linkWidthSoFar_ = 0.0;
                break;
            case Element::Pre:
            case Element::Code:
                RescuePendingText();
                Kind(ElementKind::Preformatted);
                Lookup(name);
                Clear();
                break;
            case Element::Strong:
                RescuePendingText();
                Kind(ElementKind::Strong);
                Lookup("strong");
                Clear();
                break;
            case Element::Em:
                RescuePendingText();
                Kind(ElementKind::Emphasis);
                Lookup("em");
                Clear();
                break;
            case Element::Td:
            case Element::Tr:
                RescuePendingText();
                Kind(ElementKind::BodyText);
                Lookup(name);
                Clear();
                break;
            case Element::Audio:
                RescuePendingText();
                Kind(ElementKind::Link);
                Clear();
                layout_.linkAudio = true;
                layout_.linkPlayer.clear();
                layout_.inAudio = true;
                break;
            case Element::U:
                RescuePendingText();
                ApplyFontAndLineHeight(context_);
                context_.style.decoration = Decoration::Underline;
                break;
            case Element::I:
                RescuePendingText();
                context_.style.fontSlant = 1;
                ApplyFontAndLineHeight(context_);
                break;
            case Element::B:
                RescuePendingText();
                context_.style.fontWeight = 1;
                ApplyFontAndLineHeight(context_);
                break;
            case Element::Svg:
                ImageDebug("------ SVG -------\n");
                layout_.svgBuffer = kSvgDeclaration;
                layout_.inSvg = true;
                break;
            default:
                break;
        }
        if (layout_.inSvg) {
            AppendSvg("<", name, "");
        }
        attributes.ForEach([&](std::string_view attribute, std::string_view value) {
            Attribute(element, name, attribute, value);
        });
        if (layout_.inSvg) {
            if (element == Element::Svg) {
                DeclareSvgNamespaces(attributes);
            }
            AppendSvg(">", "", "");
        }
    }

    void Attribute(Element element, std::string_view name, std::string_view attribute,
                   std::string_view value) {
        if (layout_.inSvg && layout_.svgBuffer.size() < kSvgCapacity) {
            layout_.svgBuffer += ' ';
            layout_.svgBuffer.append(attribute);
            layout_.svgBuffer += "=\"";
            AppendEscaped(layout_.svgBuffer, value);
            layout_.svgBuffer += '"';
        }
        switch (element) {
            case Element::Audio:
                if (attribute == "src") {
                    layout_.linkHref = value;
                } else if (attribute == "controls") {
                    layout_.linkPlayer = "controls";
                }
                return;
            case Element::Source:
                if (attribute == "src" && layout_.inAudio) {
                    layout_.linkHref = value;
                }
                return;
            case Element::Img:
            case Element::Image:
                if (attribute == "width") {
                    ImageDebug("------ width = " + std::string(value) + " -------\n");
                    layout_.picWidth = value;
                } else if (attribute == "height") {
                    ImageDebug("------ height = " + std::string(value) + " -------\n");
                    layout_.picHeight = value;
                } else if (element == Element::Img && attribute == "src") {
                    ImageDebug("------ Path = " + std::string(value) + " = " +
                               std::string(FilePart(value)) + " -------\n");
                    layout_.picSource = FilePart(value);
                } else if (element == Element::Image && attribute == "xlink:href") {
                    layout_.picSource = FilePart(value);
                }
                break;
            case Element::A:
                if (attribute == "href") {
                    layout_.linkHref = value;
                }
                break;
            case Element::Font:
                if (attribute == "color") {
                    SetTextColor(context_, value);
                    ApplyFontAndLineHeight(context_);
                } else if (attribute == "size") {
                    context_.style.fontSize = LeadingInteger(value);
                    ApplyFontAndLineHeight(context_);
                } else if (attribute == "face") {
                    context_.style.fontFamily = value;
                    ApplyFontAndLineHeight(context_);
                }
                return;
            default:
                break;
        }
        if (TakesClassLookup(element) && (attribute == "class" || attribute == "epub:type")) {
            std::string key(name);
            key += '.';
            key += value;
            Lookup(key);
        }
    }

    void End(std::string_view name) {
        const Element element = ElementOf(name);
        switch (element) {
            case Element::Style:
            case Element::Title:
            case Element::Script: {
                // Their text is never drawn; a style element's rules are read once per load.
                const std::size_t start = std::min(hiddenTextStart_, layout_.textBuffer.size());
                if (element == Element::Style && layout_.measurePass) {
                    AddStyleBlock(context_, std::string_view(layout_.textBuffer).substr(start));
                }
                layout_.TruncateText(start);
                break;
            }
            case Element::Hr:
                DrawRule(context_);
                layout_.lineHeight = 20.0;
                NewLineHere();
                break;
            case Element::Audio:
                if (layout_.linkPlayer == "controls") {
                    DrawTextRun(context_, "");
                    DrawAudioControls(context_);
                    // The bar is taller than a line: what follows starts below it, before the
                    // body text's defaults make the line short again.
                    NewLineHere();
                } else {
                    DrawTextRun(context_, "Play");
                    layout_.linkWidth = TextAdvance(context_, "Play");
                    AddLink(context_);
                }
                layout_.inAudio = false;
                Clear();
                Kind(ElementKind::BodyText);
                break;
            case Element::Img:
                ImageDebug("------ Pic -------\n");
                PlacePictureElement(context_);
                layout_.lineHeight = PlacedPictureHeight() + 10.0;
                ImageDebug(RowHeightLine());
                AdvancePictureIndex();
                ApplyFont(context_);
                Flush();
                Clear();
                break;
            case Element::Image:
                ImageDebug("------ PIC -------\n");
                PlacePictureElement(context_);
                layout_.lineHeight = PlacedPictureHeight() + 10.0;
                ImageDebug(RowHeightLine());
                layout_.inSvg = false;
                AdvancePictureIndex();
                break;
            case Element::P:
            case Element::Dd:
                Flush();
                NewLineHere();
                layout_.inSpan = false;
                Clear();
                break;
            case Element::Dt:
                Flush();
                DrawTextRun(context_, "  -  ");
                layout_.inSpan = false;
                Clear();
                break;
            case Element::Td:
                Flush();
                DrawTextRun(context_, "   ");
                Clear();
                break;
            case Element::Tr:
            case Element::Br:
                Flush();
                NewLineHere();
                Clear();
                break;
            case Element::Pre:
                Flush();
                // A preformatted block ends its line like any other block; without this the
                // next paragraph would run on from its last line.
                NewLineHere();
                layout_.inSpan = false;
                Clear();
                context_.style.textColor = kBlackComponents;
                ApplyFont(context_);
                break;
            case Element::Code:
                Flush();
                Clear();
                context_.style.textColor = kBlackComponents;
                ApplyFont(context_);
                break;
            case Element::Strong:
                Flush();
                Clear();
                context_.style.fontWeight = 0;
                ApplyFont(context_);
                break;
            case Element::Em:
                Flush();
                Clear();
                context_.style.fontSlant = 0;
                ApplyFont(context_);
                break;
            case Element::Div:
                ApplyFontAndLineHeight(context_);
                Flush();
                NewLineHere();
                layout_.inSpan = false;
                Clear();
                break;
            case Element::H1:
            case Element::H2:
            case Element::H3:
            case Element::H4:
            case Element::Li:
                // After a span the text was already drawn; whatever followed it still is.
                if (!layout_.inSpan || HasInk()) {
                    Flush();
                }
                if (element == Element::Li) {
                    ++layout_.listCounter;
                }
                NewLineHere();
                layout_.inSpan = false;
                Clear();
                break;
            case Element::Span:
                ApplyFont(context_);
                Flush();
                Clear();
                break;
            case Element::A:
                Flush();
                layout_.linkWidth = linkWidthSoFar_;
                layout_.inLink = false;
                context_.style.decoration = Decoration::None;
                if (layout_.linkSpans.size() > 1 || layout_.linkSpansMoved) {
                    // A link that wraps is clickable on each line it reaches.
                    for (const LayoutState::LinkSpan& span : layout_.linkSpans) {
                        AddLinkRectangle(context_, span.x1, span.top, span.x2, span.bottom);
                    }
                } else {
                    AddLink(context_);
                }
                Clear();
                context_.style.textColor = kBlackComponents;
                ApplyFontAndLineHeight(context_);
                break;
            case Element::I:
            case Element::B:
            case Element::U:
                Flush();
                Clear();
                if (element == Element::I)
                    context_.style.fontSlant = 0;
                if (element == Element::B)
                    context_.style.fontWeight = 0;
                if (element == Element::U)
                    context_.style.decoration = Decoration::None;
                ApplyFontAndLineHeight(context_);
                break;
            case Element::Font:
                Flush();
                Clear();
                SetTextColor(context_, "#000000");
                ApplyFontAndLineHeight(context_);
                break;
            case Element::Body:
                RescuePendingText();
                break;
            default:
                break;
        }
        if (layout_.inSvg) {
            AppendSvg("</", name, ">");
            if (element == Element::Svg) {
                FinishInlineSvg();
            }
        }
    }

    void Characters(std::string_view text) {
        // The text of a drawing is the drawing's own, drawn by it, never by the page.
        if (layout_.inSvg) {
            if (layout_.svgBuffer.size() < kSvgCapacity) {
                AppendEscaped(layout_.svgBuffer, text);
            }
            return;
        }
        // A block of text without any element end would grow without limit; past the gathering
        // capacity what is gathered is drawn, and gathering starts again.
        if (layout_.textBuffer.size() + text.size() > kTextCapacity && HasInk()) {
            Flush();
            Clear();
        }
        layout_.textBuffer.append(text);
    }

    // --- inline SVG ---

    void AppendSvg(std::string_view before, std::string_view name, std::string_view after) {
        if (layout_.svgBuffer.size() >= kSvgCapacity) {
            return;  // an oversized drawing is cut off; its reader will refuse the markup
        }
        layout_.svgBuffer.append(before);
        layout_.svgBuffer.append(name);
        layout_.svgBuffer.append(after);
    }

    // The drawing is read on its own, away from the document that declared its namespaces.
    void DeclareSvgNamespaces(const XmlAttributes& attributes) {
        bool svg = false, xlink = false;
        attributes.ForEach([&](std::string_view attribute, std::string_view) {
            svg = svg || attribute == "xmlns";
            xlink = xlink || attribute == "xmlns:xlink";
        });
        if (!svg) {
            AppendSvg(" xmlns=\"http://www.w3.org/2000/svg\"", "", "");
        }
        if (!xlink) {
            AppendSvg(" xmlns:xlink=\"http://www.w3.org/1999/xlink\"", "", "");
        }
    }

    void FinishInlineSvg() {
        layout_.picWidth = "100%";
        layout_.picHeight = "100%";
        layout_.picSource = "SVG";
        layout_.pictures[static_cast<std::size_t>(layout_.pictureIndex)].svgText =
            layout_.svgBuffer;
        ImageDebug(layout_.svgBuffer + "\n------ SVG -------\n");
        PlacePictureElement(context_);
        layout_.lineHeight = PlacedPictureHeight() + 10.0;
        AdvancePictureIndex();
        layout_.svgBuffer.clear();
        layout_.inSvg = false;
    }

    std::string RowHeightLine() const {
        char line[80];
        std::snprintf(line, sizeof line, "------ Row_height = %g -------\n", layout_.lineHeight);
        return line;
    }

    LayoutContext& context_;
    LayoutState& layout_;
    std::size_t hiddenTextStart_ = 0;
    // How deep the parser is, and the dir and lang attributes of the elements open at each depth.
    int depth_ = 0;
    std::vector<PassDeclaration> declarations_;
    // The advance of an open link's text drawn so far.
    double linkWidthSoFar_ = 0.0;
    // Whether this pass keeps checkpoints for later ones, and whether it has met the body.
    bool keeping_ = false;
    bool bodyBegun_ = false;
    unsigned fontGeneration_ = 0;
};

}  // namespace

void LayoutDocument(LayoutContext& context, std::string_view text) {
    ContentPass pass(context);
    pass.Run(text);
}

void RenderPage(LayoutContext& context, cairo_t* cr, std::string_view text) {
    context.state.cr = cr;
    if (!text.empty()) {
        LayoutDocument(context, text);
    }
    double x, y;
    cairo_get_current_point(cr, &x, &y);
    context.state.contentHeight = y + std::max(context.state.lineHeight, context.state.lineDepth);
}

}  // namespace quirelle
