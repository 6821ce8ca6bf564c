#include "package/contents_tree.hpp"

#include <algorithm>

#include "package/archive_reader.hpp"
#include "package/package_names.hpp"
#include "platform/xml_namespaces.hpp"
#include "platform/xml_parser.hpp"

namespace quirelle {

namespace {

constexpr std::string_view kXhtmlNamespace = "http://www.w3.org/1999/xhtml";
constexpr std::string_view kOpsNamespace = "http://www.idpf.org/2007/ops";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Runs of blanks become one space, none at either end: a label indented over lines in the
// source reads as one line.
std::string Collapsed(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool blank = false;
    for (const char c : text) {
        if (IsBlank(c)) {
            blank = !out.empty();
            continue;
        }
        if (blank) {
            out += ' ';
            blank = false;
        }
        out += c;
    }
    return out;
}

bool HasScheme(std::string_view reference) {
    const auto colon = reference.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return false;
    }
    return std::all_of(reference.begin(), reference.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](char c) {
                           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                  (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
                       });
}

// A whitespace-separated token list holding `token`, as epub:type is written.
bool HasToken(std::string_view list, std::string_view token) {
    std::size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && IsBlank(list[at])) {
            ++at;
        }
        std::size_t end = at;
        while (end < list.size() && !IsBlank(list[end])) {
            ++end;
        }
        if (list.substr(at, end - at) == token) {
            return true;
        }
        at = end;
    }
    return false;
}

// What the open elements of a contents list are, so that each end tag undoes its start tag.
// `list` and `entry` point into the tree being built: an entry is added only to the innermost
// open list or item, so the entries and lists further out stay where they are until they close.
// A Dropped frame is an item beyond the limits: nothing inside it has a place.
struct Frame {
    enum class Kind { Other, List, Item, Label, Dropped } kind = Kind::Other;
    std::vector<ContentsEntry>* list = nullptr;
    ContentsEntry* entry = nullptr;
    bool labelled = false;
};

// The part both readers share: a stack of open lists and entries, bounded in depth and size.
class TreeBuilder {
  public:
    explicit TreeBuilder(std::string_view base) : base_(base) {}

    std::vector<ContentsEntry>& Root() { return root_; }

    // A list inside an item holds the item's children; a list inside a list goes on with it.
    void OpenList() {
        Frame* nearest = Nearest();
        if (nearest == nullptr) {
            frames_.push_back({Frame::Kind::List, &root_});
        } else if (nearest->kind == Frame::Kind::Item) {
            frames_.push_back({Frame::Kind::List, &nearest->entry->children});
        } else if (nearest->kind == Frame::Kind::List) {
            frames_.push_back({Frame::Kind::List, nearest->list});
        } else {
            frames_.push_back({Frame::Kind::Dropped});
        }
    }

    // An entry in the innermost list; with `nested`, also straight inside an item, as NCX
    // points nest.
    void OpenItem(bool nested) {
        Frame* nearest = Nearest();
        std::vector<ContentsEntry>* list = nullptr;
        if (nearest != nullptr && nearest->kind == Frame::Kind::List) {
            list = nearest->list;
        } else if (nearest != nullptr && nearest->kind == Frame::Kind::Item && nested) {
            list = &nearest->entry->children;
        }
        if (list == nullptr || count_ >= kMaxContentsEntries || items_ >= kMaxContentsDepth) {
            frames_.push_back(
                {nearest == nullptr || nearest->kind == Frame::Kind::Dropped || list != nullptr
                     ? Frame::Kind::Dropped
                     : Frame::Kind::Other});
            return;
        }
        list->push_back({});
        ++count_;
        ++items_;
        frames_.push_back({Frame::Kind::Item, nullptr, &list->back()});
    }

    // The innermost item, when it is innermost and has no label yet.
    ContentsEntry* ItemForLabel() {
        Frame* nearest = Nearest();
        if (nearest == nullptr || nearest->kind != Frame::Kind::Item || nearest->labelled) {
            return nullptr;
        }
        nearest->labelled = true;
        return nearest->entry;
    }

    // The innermost item, when it is innermost.
    ContentsEntry* InnermostItem() {
        Frame* nearest = Nearest();
        return nearest != nullptr && nearest->kind == Frame::Kind::Item ? nearest->entry : nullptr;
    }

    void OpenLabel(ContentsEntry& entry) {
        text_.clear();
        inLabel_ = true;
        frames_.push_back({Frame::Kind::Label, nullptr, &entry});
    }

    void OpenOther() { frames_.push_back({}); }

    void Close() {
        if (frames_.empty()) {
            return;
        }
        const Frame frame = frames_.back();
        frames_.pop_back();
        if (frame.kind == Frame::Kind::Label) {
            frame.entry->label = Collapsed(text_);
            inLabel_ = false;
        } else if (frame.kind == Frame::Kind::Item) {
            --items_;
        }
    }

    void Text(std::string_view text) {
        if (inLabel_ && text_.size() < kMaxContentsLabel) {
            text_.append(text.substr(0, kMaxContentsLabel - text_.size()));
        }
    }

    void SetHref(ContentsEntry& entry, std::string_view href) {
        entry.href = ResolveContentsHref(base_, href);
    }

  private:
    // The innermost open list, item or dropped item.
    Frame* Nearest() {
        for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
            if (frame->kind != Frame::Kind::Other && frame->kind != Frame::Kind::Label) {
                return &*frame;
            }
        }
        return nullptr;
    }

    std::string base_;
    std::vector<ContentsEntry> root_;
    std::vector<Frame> frames_;
    bool inLabel_ = false;
    std::string text_;
    std::size_t count_ = 0;
    int items_ = 0;
};

class NavParse : public XmlParser {
  public:
    explicit NavParse(std::string_view navPath) : builder_(navPath) {}

    std::vector<ContentsEntry>& Tree() { return builder_.Root(); }
    bool Found() const { return found_; }

  protected:
    void StartElement(std::string_view writtenName, const Attributes& attributes) override {
        namespaces_.Enter(attributes);
        const std::string_view name = LocalXhtmlName(writtenName);
        if (navDepth_ > 0) {
            ++navDepth_;
            if (name == "ol" || name == "ul") {
                builder_.OpenList();
            } else if (name == "li") {
                builder_.OpenItem(false);
            } else if (name == "a" || name == "span") {
                if (ContentsEntry* entry = builder_.ItemForLabel()) {
                    if (const std::string_view href = attributes.Get("href"); !href.empty()) {
                        builder_.SetHref(*entry, href);
                    }
                    builder_.OpenLabel(*entry);
                } else {
                    builder_.OpenOther();
                }
            } else {
                builder_.OpenOther();
            }
        } else if (name == "nav" && !found_ && IsTocNav(attributes)) {
            found_ = true;
            navDepth_ = 1;
        }
    }

    void EndElement(std::string_view /*writtenName*/) override {
        namespaces_.Leave();
        if (navDepth_ > 1) {
            builder_.Close();
        }
        if (navDepth_ > 0) {
            --navDepth_;
        }
    }

    void CharacterData(std::string_view text) override { builder_.Text(text); }

  private:
    // The element's local name when it is in the XHTML namespace (or in none); empty otherwise.
    std::string_view LocalXhtmlName(std::string_view writtenName) const {
        const XmlNamespaceScope::Name name = namespaces_.Resolve(writtenName);
        if (name.bound && (name.uri.empty() || name.uri == kXhtmlNamespace)) {
            return name.local;
        }
        return {};
    }

    // epub:type="toc", whatever prefix the book bound to the OPS namespace.
    bool IsTocNav(const Attributes& attributes) const {
        bool toc = false;
        attributes.ForEach([&](std::string_view attribute, std::string_view value) {
            const auto colon = attribute.find(':');
            if (colon == std::string_view::npos || attribute.substr(colon + 1) != "type") {
                return;
            }
            const XmlNamespaceScope::Name name = namespaces_.Resolve(attribute);
            const bool ops =
                name.bound ? name.uri == kOpsNamespace : attribute.substr(0, colon) == "epub";
            toc = toc || (ops && HasToken(value, "toc"));
        });
        return toc;
    }

    TreeBuilder builder_;
    XmlNamespaceScope namespaces_;
    int navDepth_ = 0;  // elements open inside the toc nav, the nav itself counted
    bool found_ = false;
};

class NcxTreeParse : public XmlParser {
  public:
    explicit NcxTreeParse(std::string_view ncxPath) : builder_(ncxPath) {}

    std::vector<ContentsEntry>& Tree() { return builder_.Root(); }

  protected:
    void StartElement(std::string_view writtenName, const Attributes& attributes) override {
        namespaces_.Enter(attributes);
        const std::string name = PackageElementName(namespaces_, writtenName);
        if (!inNavMap_) {
            if (name == "navMap" && !navMapRead_) {
                inNavMap_ = navMapRead_ = true;
                builder_.OpenList();
            }
            return;
        }
        if (name == "navPoint") {
            builder_.OpenItem(true);
        } else if (name == "text" && inNavLabel_) {
            if (ContentsEntry* entry = builder_.ItemForLabel()) {
                builder_.OpenLabel(*entry);
            } else {
                builder_.OpenOther();
            }
        } else {
            if (name == "navLabel") {
                inNavLabel_ = true;
            } else if (name == "content") {
                if (ContentsEntry* entry = builder_.InnermostItem(); entry && entry->href.empty()) {
                    builder_.SetHref(*entry, attributes.Get("src"));
                }
            }
            builder_.OpenOther();
        }
    }

    void EndElement(std::string_view writtenName) override {
        const std::string name = PackageElementName(namespaces_, writtenName);
        namespaces_.Leave();
        if (!inNavMap_) {
            return;
        }
        if (name == "navLabel") {
            inNavLabel_ = false;
        }
        builder_.Close();
        if (name == "navMap") {
            inNavMap_ = false;
        }
    }

    void CharacterData(std::string_view text) override { builder_.Text(text); }

  private:
    TreeBuilder builder_;
    XmlNamespaceScope namespaces_;
    bool inNavMap_ = false;
    bool navMapRead_ = false;
    bool inNavLabel_ = false;
};

std::string FolderOf(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

}  // namespace

std::string ResolveContentsHref(std::string_view base, std::string_view reference) {
    reference = Trimmed(reference);
    if (HasScheme(reference)) {
        return std::string(reference);
    }
    const auto hash = reference.find('#');
    const std::string_view path = reference.substr(0, hash);
    const std::string fragment =
        hash == std::string_view::npos ? std::string() : PercentDecoded(reference.substr(hash));
    if (path.empty()) {
        return std::string(base) + fragment;  // "#note": a place in the same member
    }
    std::string joined = PercentDecoded(path);
    if (joined.front() != '/') {
        joined = FolderOf(base) + joined;
    }
    std::vector<std::string_view> parts;
    std::string_view rest = joined;
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        parts.push_back(part);
    }
    std::string resolved;
    for (const std::string_view part : parts) {
        if (!resolved.empty()) {
            resolved += '/';
        }
        resolved += part;
    }
    return resolved + fragment;
}

std::string PackageMemberPath(const BookState& book, std::string_view href) {
    return ResolveContentsHref(book.rootfilePath, href);
}

std::optional<std::vector<ContentsEntry>> ContentsFromNav(std::string_view text,
                                                          std::string_view navPath) {
    NavParse parse(navPath);
    if (!parse.Parse(text) || !parse.Found() || parse.Tree().empty()) {
        return std::nullopt;
    }
    return std::move(parse.Tree());
}

std::optional<std::vector<ContentsEntry>> ContentsFromNcx(std::string_view text,
                                                          std::string_view ncxPath) {
    NcxTreeParse parse(ncxPath);
    if (!parse.Parse(text)) {
        return std::nullopt;
    }
    return std::move(parse.Tree());
}

std::vector<ContentsEntry> ReadContentsTree(BookState& book) {
    try {
        if (book.archivePath.empty()) {
            return {};
        }
        ArchiveReader& archive = ArchiveOf(book);
        ArchiveBuffer text;
        if (!book.navHref.empty()) {
            const std::string navPath = PackageMemberPath(book, book.navHref);
            if (archive.Extract(navPath, text)) {
                if (auto tree = ContentsFromNav(text.Text(), navPath)) {
                    return std::move(*tree);
                }
            }
        }
        if (!book.tocHref.empty()) {
            const std::string ncxPath = PackageMemberPath(book, book.tocHref);
            if (archive.Extract(ncxPath, text)) {
                if (auto tree = ContentsFromNcx(text.Text(), ncxPath)) {
                    return std::move(*tree);
                }
            }
        }
    } catch (const std::exception&) {
        // Out of memory on a hostile book: the book simply has no contents.
    }
    return {};
}

}  // namespace quirelle
