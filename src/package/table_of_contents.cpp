#include "package/table_of_contents.hpp"

#include <algorithm>
#include <optional>

#include "package/archive.hpp"
#include "package/package_names.hpp"
#include "platform/xml_namespaces.hpp"
#include "platform/xml_parser.hpp"

namespace quirelle {

namespace {

class NcxParse : public XmlParser {
  public:
    explicit NcxParse(BookState& book) : book_(book) {}

  protected:
    void StartElement(std::string_view writtenName, const Attributes& attributes) override {
        namespaces_.Enter(attributes);
        const std::string name = PackageElementName(namespaces_, writtenName);
        if (name == "navLabel") {
            inNavLabel_ = true;
        } else if (name == "navMap") {
            inNavMap_ = true;
        } else if (name == "text") {
            tocText_.clear();
        }
        if (inNavMap_ && name == "content" && HasRoom()) {
            attributes.ForEach([this](std::string_view attribute, std::string_view value) {
                if (attribute == "src") {
                    book_.documents[book_.documentCount].href = WithoutFragment(value);
                }
            });
        }
    }

    void EndElement(std::string_view writtenName) override {
        const std::string name = PackageElementName(namespaces_, writtenName);
        namespaces_.Leave();
        if (name == "content" && inNavMap_) {
            if (HasRoom()) {
                DocumentEntry& entry = book_.documents[book_.documentCount];
                if (!mediaTypes_) {
                    mediaTypes_.emplace(book_);  // the manifest is read whole by now
                }
                entry.mediaType = mediaTypes_->Of(entry.href);
                ++book_.documentCount;
            }
        } else if (name == "navLabel") {
            inNavLabel_ = false;
        } else if (name == "navMap") {
            inNavMap_ = false;
        } else if (name == "text" && inNavMap_ && inNavLabel_ && HasRoom()) {
            book_.documents[book_.documentCount].label = Trimmed(tocText_);
        }
    }

    // Labels written across lines with indentation lose their line breaks and tabs; blanks stay.
    void CharacterData(std::string_view text) override {
        std::copy_if(text.begin(), text.end(), std::back_inserter(tocText_),
                     [](char c) { return c != '\n' && c != '\t'; });
    }

  private:
    bool HasRoom() { return MakeDocumentRoom(book_, book_.documentCount); }

    BookState& book_;
    XmlNamespaceScope namespaces_;
    std::optional<MediaTypeIndex> mediaTypes_;
    bool inNavMap_ = false;
    bool inNavLabel_ = false;
    std::string tocText_;
};

}  // namespace

void ReadNavigation(const std::string& bookPath, BookState& book) {
    if (book.tocHref.empty()) {
        return;
    }
    ArchiveBuffer ncx;
    if (!ArchiveAt(book, bookPath).Extract(book.tocHref, ncx)) {
        return;
    }
    NcxParse parse(book);
    parse.Parse(ncx.Text());
}

}  // namespace quirelle
