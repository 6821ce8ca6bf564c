#include "package/package_document.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "package/archive.hpp"
#include "package/package_names.hpp"
#include "package/table_of_contents.hpp"
#include "platform/dump_file.hpp"
#include "platform/paths.hpp"
#include "platform/xml_namespaces.hpp"
#include "platform/xml_parser.hpp"

namespace quirelle {

namespace {

// "debug_contents.txt" on the RAM disk: each block is appended on its own, as it is found, so that
// a parse that goes wrong leaves everything up to the fault.
class ContentsDump {
  public:
    explicit ContentsDump(const DebugSwitches& debug) : on_(debug.debugContents) {}

    void Cover(std::string_view href) const { Reference(56, "Cover", href, 36); }
    void Toc(std::string_view href) const { Reference(48, "TOC", href, 40, "Seiten\n"); }
    void Nav(std::string_view href) const { Reference(56, "NAV", href, 36); }
    void Version(float version) const {
        if (on_) {
            char number[32];
            std::snprintf(number, sizeof number, "%g", static_cast<double>(version));
            Reference(54, "Version", number, 46);
        }
    }
    void SpineEntry(const DocumentEntry& entry) const {
        if (on_) {
            Append(entry.label + " - " + entry.href + "\n");
        }
    }
    void Manifest(const BookState& book) const {
        if (!on_) {
            return;
        }
        std::string listing = Rule(55) + "Referenzen\n";
        for (int i = 0; i < book.manifestItemCount; ++i) {
            const ManifestItem& item = book.manifestItems[static_cast<std::size_t>(i)];
            listing += item.id + " - " + item.href + " - properties = " + item.properties + "\n";
        }
        Append(listing + Rule(57));
    }

  private:
    // A block that names one reference between a rule of `above` and one of `below` hyphens.
    void Reference(int above, std::string_view label, std::string_view reference, int below,
                   std::string_view after = {}) const {
        if (on_) {
            Append(Rule(above) + std::string(label) + " = " + std::string(reference) + "\n" +
                   Rule(below) + std::string(after));
        }
    }
    static std::string Rule(int hyphens) { return std::string(hyphens, '-') + "\n"; }
    static void Append(const std::string& block) {
        WriteDump(RamPath("debug_contents.txt"), block, DumpMode::Append);
    }

    const bool on_;
};

// Whether the space-separated list `tokens` holds `token`.
bool HasToken(std::string_view tokens, std::string_view token) {
    std::size_t start = 0;
    while (start < tokens.size()) {
        const std::size_t end = std::min(tokens.find_first_of(" \t\r\n", start), tokens.size());
        if (tokens.substr(start, end - start) == token) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

template <typename Matches>
int FindItem(const BookState& book, Matches matches, std::string& href) {
    for (int i = 0; i < book.manifestItemCount; ++i) {
        if (matches(book.manifestItems[i])) {
            href = book.manifestItems[i].href;
            return book.manifestItemCount - i;
        }
    }
    return 0;
}

class ContainerParse : public XmlParser {
  public:
    explicit ContainerParse(std::string& rootfilePath) : rootfilePath_(rootfilePath) {}

  protected:
    void StartElement(std::string_view name, const Attributes& attributes) override {
        namespaces_.Enter(attributes);
        if (PackageElementName(namespaces_, name) == "rootfile") {
            // Several rootfiles leave the last one's path; the media type is not looked at.
            attributes.ForEach([this](std::string_view attribute, std::string_view value) {
                if (attribute == "full-path") {
                    rootfilePath_ = value;
                }
            });
        }
    }
    void EndElement(std::string_view) override { namespaces_.Leave(); }

  private:
    std::string& rootfilePath_;
    XmlNamespaceScope namespaces_;
};

// One expat pass over the package document.
class PackageParse : public XmlParser {
  public:
    PackageParse(const std::string& bookPath, BookState& book, bool ignoreToc,
                 const ContentsDump& dump, PackageInfo& info)
        : bookPath_(bookPath), book_(book), ignoreToc_(ignoreToc), dump_(dump), info_(info) {}

    // The cover, once the manifest is known: the item EPUB 3 marks as the cover image; else
    // the item the EPUB 2 `<meta name="cover">` names by its id (or, as some books write it, by
    // its file name); else an item whose id is "cover-image". None when nothing names one.
    void DecideCover() {
        if (coverDecided_) {
            return;
        }
        coverDecided_ = true;
        std::string href;
        const bool found =
            FindItem(
                book_,
                [](const ManifestItem& item) { return HasToken(item.properties, "cover-image"); },
                href) > 0 ||
            (!metaCover_.empty() && FindItemById(book_, metaCover_, href) > 0) ||
            FindItemById(book_, "cover-image", href) > 0;
        if (found) {
            info_.coverPath = href;
            dump_.Cover(href);
        } else if (metaCover_.find('.') != std::string::npos) {
            info_.coverPath = metaCover_;
        }
    }

  protected:
    void StartElement(std::string_view writtenName, const Attributes& attributes) override {
        namespaces_.Enter(attributes);
        const std::string name = PackageElementName(namespaces_, writtenName);
        // Each element's text starts afresh, so metadata shows only its own element's text.
        text_.clear();
        if (name == "spine") {
            // Every manifest item precedes the spine: the cover can be decided now.
            DecideCover();
        }
        attributes.ForEach([&](std::string_view attribute, std::string_view value) {
            HandleAttribute(name, attribute, value);
        });
        if (name == "meta") {
            // The attributes may come in any order: both are known only now.
            if (metaName_ == "cover" && !metaContent_.empty()) {
                metaCover_ = metaContent_;
            }
            metaName_.clear();
            metaContent_.clear();
        }
    }

    void EndElement(std::string_view writtenName) override {
        const std::string name = PackageElementName(namespaces_, writtenName);
        namespaces_.Leave();
        if (name == "dc:identifier" && identifierWanted_) {
            // The identifier the package names as its own: the key of the book's place.
            book_.uniqueIdentifier = Trimmed(text_);
            identifierWanted_ = false;
        }
        if (name == "dc:language" || name == "dc:identifier") {
            text_.clear();
        } else if (name == "meta") {
            text_.clear();
        } else if (std::string* field = MetadataFieldOf(name)) {
            // The last of several elements of a kind is the one shown.
            *field = Trimmed(text_);
            text_.clear();
        } else if (name == "item") {
            if (MakeManifestRoom(book_, book_.manifestItemCount)) {
                ++book_.manifestItemCount;
            }
        } else if (name == "itemref") {
            // An unmatched idref still takes its place in the reading order.
            if (tocEntryCount_ <= 1 && HasDocumentRoom()) {
                ++book_.documentCount;
            }
        } else if (name == "spine") {
            AppendNavigationDocument();
        }
    }

    void CharacterData(std::string_view text) override { text_ += text; }

  private:
    std::string* MetadataFieldOf(std::string_view name) {
        if (name == "dc:title")
            return &info_.title;
        if (name == "dc:creator")
            return &info_.creator;
        if (name == "dc:description")
            return &info_.description;
        if (name == "dc:publisher")
            return &info_.publisher;
        if (name == "dc:date")
            return &info_.date;
        return nullptr;
    }

    bool HasDocumentRoom() { return MakeDocumentRoom(book_, book_.documentCount); }

    void HandleAttribute(const std::string& element, std::string_view attribute,
                         std::string_view value) {
        if (element == "package" && attribute == "unique-identifier") {
            uniqueIdentifierId_ = value;
        } else if (element == "dc:identifier" && attribute == "id") {
            identifierWanted_ = !value.empty() && value == uniqueIdentifierId_;
        } else if (element == "itemref" && attribute == "idref") {
            if (tocEntryCount_ > 1 || !HasDocumentRoom()) {
                return;
            }
            for (int i = 0; i < book_.manifestItemCount; ++i) {
                const ManifestItem& item = book_.manifestItems[static_cast<std::size_t>(i)];
                if (item.id == value) {
                    DocumentEntry& entry = book_.documents[book_.documentCount];
                    entry.href = WithoutFragment(item.href);
                    entry.mediaType = item.mediaType;
                    entry.label = std::to_string(book_.documentCount);
                    dump_.SpineEntry(entry);
                    break;
                }
            }
        } else if (element == "item") {
            if (!MakeManifestRoom(book_, book_.manifestItemCount)) {
                return;  // past the limit against hostile books: further items are dropped
            }
            ManifestItem& item = book_.manifestItems[book_.manifestItemCount];
            if (attribute == "id") {
                item.id = value;
            } else if (attribute == "href") {
                item.href = value;
            } else if (attribute == "properties") {
                item.properties = value;
            } else if (attribute == "media-type") {
                item.mediaType = value;
            }
        } else if (element == "meta") {
            if (attribute == "name") {
                metaName_ = value;
            } else if (attribute == "content") {
                metaContent_ = value;
            }
        } else if (element == "spine" && attribute == "toc") {
            ReadTableOfContents(value);
        } else if (element == "package" && attribute == "version") {
            book_.packageVersion = static_cast<float>(std::atof(std::string(value).c_str()));
            dump_.Version(book_.packageVersion);
        }
    }

    // The NCX's navigation points become the reading order when there are two or more of them
    // and the user has not chosen to ignore them; otherwise the spine's itemrefs take over.
    void ReadTableOfContents(std::string_view id) {
        std::string href;
        if (FindItemById(book_, id, href) == 0) {
            return;
        }
        dump_.Toc(href);
        book_.tocHref = href;
        ReadNavigation(bookPath_, book_);
        if (ignoreToc_) {
            tocEntryCount_ = 0;
            book_.documentCount = 0;
        } else {
            tocEntryCount_ = book_.documentCount;
        }
    }

    void AppendNavigationDocument() {
        for (int i = 0; i < book_.manifestItemCount; ++i) {
            const ManifestItem& item = book_.manifestItems[static_cast<std::size_t>(i)];
            if (item.properties != "nav") {
                continue;
            }
            dump_.Nav(item.href);
            book_.navHref = item.href;
            if (HasDocumentRoom()) {
                book_.documents[book_.documentCount] = {"Content", item.href, item.mediaType};
                ++book_.documentCount;
            }
            return;
        }
    }

    const std::string& bookPath_;
    BookState& book_;
    const bool ignoreToc_;
    const ContentsDump& dump_;
    PackageInfo& info_;
    XmlNamespaceScope namespaces_;
    std::string text_;
    std::string metaName_;
    std::string metaContent_;
    std::string metaCover_;
    bool coverDecided_ = false;
    // The id that the package element names as its unique identifier, and whether the
    // dc:identifier being read is that one.
    std::string uniqueIdentifierId_;
    bool identifierWanted_ = false;
    int tocEntryCount_ = 0;
};

}  // namespace

int FindItemById(const BookState& book, std::string_view id, std::string& href) {
    return FindItem(
        book, [id](const ManifestItem& item) { return item.id == id; }, href);
}

int FindItemByProperties(const BookState& book, std::string_view properties, std::string& href) {
    return FindItem(
        book, [properties](const ManifestItem& item) { return item.properties == properties; },
        href);
}

bool ReadContainer(const std::string& bookPath, BookState& book) {
    book.rootfilePath.clear();
    ArchiveBuffer container;
    if (!ArchiveAt(book, bookPath).Extract("container.xml", container)) {
        return false;
    }
    ContainerParse parse(book.rootfilePath);
    parse.Parse(container.Text());
    return !book.rootfilePath.empty();
}

bool ReadPackageDocument(const std::string& bookPath, BookState& book, bool ignoreToc,
                         const DebugSwitches& debug, PackageInfo& info) {
    ArchiveBuffer package;
    if (book.rootfilePath.empty() ||
        !ArchiveAt(book, bookPath).Extract(book.rootfilePath, package)) {
        return false;
    }
    book.documentCount = 0;
    book.manifestItemCount = 0;
    book.navHref.clear();
    book.tocHref.clear();
    info = PackageInfo{};

    const ContentsDump dump(debug);
    PackageParse parse(bookPath, book, ignoreToc, dump, info);
    const bool wellFormed = parse.Parse(package.Text());
    // A package that breaks off before its spine still names its cover.
    parse.DecideCover();
    dump.Manifest(book);
    book.coverPath = info.coverPath;
    // A package document that breaks off is read as far as it goes, so a book cut short keeps
    // the documents named before the break. One that breaks before naming any (garbage, say)
    // holds nothing to show: opening it would swap the book on display for an empty one.
    return wellFormed || book.documentCount > 0;
}

}  // namespace quirelle
