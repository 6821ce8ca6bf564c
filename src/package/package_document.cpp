#include "package/package_document.hpp"

#include <string>

#include "package/archive.hpp"
#include "package/package_names.hpp"
#include "platform/charset.hpp"
#include "platform/paths.hpp"
#include "platform/xml_namespaces.hpp"
#include "platform/xml_parser.hpp"
#include "view/document_view.hpp"

namespace quirelle {

namespace {

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
    explicit PackageParse(DocumentView& view) : view_(view), book_(view.Data().book) {}

protected:
    void StartElement(std::string_view writtenName, const Attributes& attributes) override {
        namespaces_.Enter(attributes);
        const std::string name = PackageElementName(namespaces_, writtenName);
        // Each element's text starts afresh, so metadata shows only its own element's text.
        text_.clear();
        if (name == "spine") {
            // Every manifest item precedes the spine: the cover can be decided now.
            std::string href;
            if (FindItemByProperties(book_, "cover-image", href) > 0 ||
                FindItemById(book_, "cover-image", href) > 0) {
                view_.SetCover(href);
            }
        }
        attributes.ForEach([&](std::string_view attribute, std::string_view value) {
            HandleAttribute(name, attribute, value);
        });
    }

    void EndElement(std::string_view writtenName) override {
        const std::string name = PackageElementName(namespaces_, writtenName);
        namespaces_.Leave();
        if (name == "dc:language" || name == "dc:identifier") {
            text_.clear();
        } else if (name == "meta") {
            text_.clear();
            metaCoverSeen_ = false;
        } else if (auto field = MetadataFieldOf(name)) {
            const std::string shown = ToSystemCharset(Trimmed(text_)).value_or(std::string());
            view_.frontend().SetMetadata(*field, shown);
            text_.clear();
        } else if (name == "item") {
            if (static_cast<std::size_t>(book_.manifestItemCount) < book_.manifestItems.size()) {
                ++book_.manifestItemCount;
            }
        } else if (name == "itemref") {
            // An unmatched idref still takes its place in the reading order.
            if (tocEntryCount_ <= 1 && HasDocumentRoom()) {
                ++book_.documentCount;
            }
        } else if (name == "spine") {
            AppendNavigationDocument();
            view_.LoadStyleSheets();
        }
    }

    void CharacterData(std::string_view text) override { text_ += text; }

private:
    static std::optional<MetadataField> MetadataFieldOf(std::string_view name) {
        if (name == "dc:title") return MetadataField::Title;
        if (name == "dc:creator") return MetadataField::Creator;
        if (name == "dc:description") return MetadataField::Description;
        if (name == "dc:publisher") return MetadataField::Publisher;
        if (name == "dc:date") return MetadataField::Date;
        return std::nullopt;
    }

    bool HasDocumentRoom() const {
        return static_cast<std::size_t>(book_.documentCount) < book_.documents.size();
    }

    void HandleAttribute(const std::string& element, std::string_view attribute,
                         std::string_view value) {
        if (element == "itemref" && attribute == "idref") {
            std::string href;
            if (tocEntryCount_ <= 1 && HasDocumentRoom() && FindItemById(book_, value, href) > 0) {
                DocumentEntry& entry = book_.documents[book_.documentCount];
                entry.href = WithoutFragment(href);
                entry.label = std::to_string(book_.documentCount);
            }
        } else if (element == "item") {
            if (static_cast<std::size_t>(book_.manifestItemCount) >= book_.manifestItems.size()) {
                return;  // the manifest is full: further items are dropped
            }
            ManifestItem& item = book_.manifestItems[book_.manifestItemCount];
            if (attribute == "id") {
                item.id = value;
            } else if (attribute == "href") {
                item.href = value;
            } else if (attribute == "properties") {
                item.properties = value;
            }
        } else if (element == "meta") {
            if (attribute == "name" && value == "cover") {
                metaCoverSeen_ = true;
            } else if (attribute == "content" && metaCoverSeen_ &&
                       value.find('.') != std::string_view::npos) {
                // Only a file name counts: an item id is not resolved through the manifest.
                view_.SetCover(std::string(value));
            }
        } else if (element == "spine" && attribute == "toc") {
            ReadTableOfContents(value);
        } else if (element == "package" && attribute == "version") {
            view_.SetPackageVersion(value);
        }
    }

    // The NCX's navigation points become the reading order when there are two or more of them
    // and the user has not chosen to ignore them; otherwise the spine's itemrefs take over.
    void ReadTableOfContents(std::string_view id) {
        std::string href;
        if (FindItemById(book_, id, href) == 0) {
            return;
        }
        view_.SetTocHref(href);
        view_.ReadToc();
        if (view_.frontend().CurrentSettings().ignoreToc) {
            tocEntryCount_ = 0;
            book_.documentCount = 0;
        } else {
            tocEntryCount_ = book_.documentCount;
        }
    }

    void AppendNavigationDocument() {
        std::string href;
        if (FindItemByProperties(book_, "nav", href) == 0) {
            return;
        }
        view_.SetNavHref(href);
        if (HasDocumentRoom()) {
            book_.documents[book_.documentCount] = {"Content", href};
            ++book_.documentCount;
        }
    }

    DocumentView& view_;
    BookState& book_;
    XmlNamespaceScope namespaces_;
    std::string text_;
    bool metaCoverSeen_ = false;
    int tocEntryCount_ = 0;
};

}  // namespace

int FindItemById(const BookState& book, std::string_view id, std::string& href) {
    return FindItem(book, [id](const ManifestItem& item) { return item.id == id; }, href);
}

int FindItemByProperties(const BookState& book, std::string_view properties, std::string& href) {
    return FindItem(
        book, [properties](const ManifestItem& item) { return item.properties == properties; },
        href);
}

void ReadContainer(const std::string& path, DocumentViewData& data) {
    data.book.rootfilePath.clear();
    data.book.documentCount = 0;
    ArchiveBuffer container;
    if (!ExtractEntry(path, "container.xml", container)) {
        return;
    }
    ContainerParse parse(data.book.rootfilePath);
    parse.Parse(container.Text());
}

void ReadPackageDocument(const std::string& path, DocumentView& view) {
    DocumentViewData& data = view.Data();
    BookState& book = data.book;
    ArchiveBuffer package;
    if (book.rootfilePath.empty() || !ExtractEntry(path, book.rootfilePath, package)) {
        return;
    }
    book.documentCount = 0;
    book.manifestItemCount = 0;
    data.styleRuleCount = 0;
    book.navHref.clear();
    book.tocHref.clear();

    Frontend& frontend = view.frontend();
    for (MetadataField field : {MetadataField::Title, MetadataField::Creator,
                                MetadataField::Description, MetadataField::Publisher,
                                MetadataField::Date}) {
        frontend.SetMetadata(field, "");
    }
    view.SetCover(PicturePath("no_cover.png").string());

    PackageParse parse(view);
    parse.Parse(package.Text());

    view.FillPageList();
    const int last = book.documentCount - 1;
    frontend.SetPageSliderMaximum(last);
    frontend.SetExportRange(last, 0, last);
}

void LoadBook(const std::string& path, DocumentView& view) {
    Frontend& frontend = view.frontend();
    view.Data().book.archivePath = path;
    frontend.ClearPageList();
    frontend.SetStatus("Get startpoint...");
    ReadContainer(path, view.Data());
    frontend.SetStatus("Startpoint found. Get metadata...");
    ReadPackageDocument(path, view);
    frontend.SetStatus("Metadata are loadet.Get startdoc now...");
    view.LoadPage(0);
    frontend.SetActivePageRow(0);
    frontend.SetStatus("");
}

}  // namespace quirelle
