#include "package/book_metadata.hpp"

#include "package/archive_reader.hpp"
#include "package/package_names.hpp"
#include "platform/xml_namespaces.hpp"
#include "platform/xml_parser.hpp"

namespace quirelle {

namespace {

// Far above any real title or description; a hostile package must not fill memory.
constexpr std::size_t kMaxField = 64 * 1024;

class MetadataParse : public XmlParser {
  public:
    explicit MetadataParse(BookMetadata& metadata) : metadata_(metadata) {}

  protected:
    void StartElement(std::string_view writtenName, const Attributes& attributes) override {
        namespaces_.Enter(attributes);
        const std::string name = PackageElementName(namespaces_, writtenName);
        if (name == "metadata") {
            inMetadata_ = true;
        }
        text_.clear();
    }

    void EndElement(std::string_view writtenName) override {
        const std::string name = PackageElementName(namespaces_, writtenName);
        namespaces_.Leave();
        if (name == "metadata") {
            inMetadata_ = false;
        } else if (inMetadata_) {
            const std::string text = PlainText(text_);
            if (name == "dc:title" && metadata_.title.empty()) {
                metadata_.title = text;
            } else if (name == "dc:creator" && !text.empty() &&
                       metadata_.creator.size() < kMaxField) {
                metadata_.creator += (metadata_.creator.empty() ? "" : ", ") + text;
            } else if (name == "dc:description" && metadata_.description.empty()) {
                metadata_.description = text;
            } else if (name == "dc:language" && metadata_.language.empty()) {
                metadata_.language = text;
            }
        }
        text_.clear();
    }

    void CharacterData(std::string_view text) override {
        if (inMetadata_ && text_.size() < kMaxField) {
            text_.append(text.substr(0, kMaxField - text_.size()));
        }
    }

  private:
    BookMetadata& metadata_;
    XmlNamespaceScope namespaces_;
    bool inMetadata_ = false;
    std::string text_;
};

}  // namespace

std::string PlainText(std::string_view markup) {
    static const std::pair<std::string_view, std::string_view> kEntities[] = {
        {"&amp;", "&"},   {"&lt;", "<"},   {"&gt;", ">"},
        {"&quot;", "\""}, {"&apos;", "'"}, {"&nbsp;", " "}};
    std::string out;
    bool blank = false;
    for (std::size_t i = 0; i < markup.size(); ++i) {
        const char c = markup[i];
        if (c == '<') {
            const auto close = markup.find('>', i);
            if (close == std::string_view::npos) {
                break;
            }
            // A block's tag parts words ("</p><p>"); an inline one ("<i>") does not.
            std::string_view tag = markup.substr(i + 1, close - i - 1);
            if (tag.starts_with('/')) {
                tag.remove_prefix(1);
            }
            tag = tag.substr(0, tag.find_first_of(" \t\n/"));
            for (const std::string_view block : {"p", "br", "div", "li", "h1", "h2", "h3", "tr"}) {
                blank = blank || (tag == block && !out.empty());
            }
            i = close;
            continue;
        }
        std::string_view piece(&markup[i], 1);
        if (c == '&') {
            for (const auto& [entity, replacement] : kEntities) {
                if (markup.substr(i, entity.size()) == entity) {
                    piece = replacement;
                    i += entity.size() - 1;
                    break;
                }
            }
        }
        if (piece == " " || piece == "\t" || piece == "\n" || piece == "\r") {
            blank = !out.empty();
            continue;
        }
        if (blank) {
            out += ' ';
            blank = false;
        }
        out += piece;
    }
    return out;
}

BookMetadata ReadBookMetadata(BookState& book) {
    BookMetadata metadata;
    if (book.archivePath.empty() || book.rootfilePath.empty()) {
        return metadata;
    }
    ArchiveBuffer package;
    if (ArchiveOf(book).Extract(book.rootfilePath, package)) {
        MetadataParse parse(metadata);
        parse.Parse(package.Text());
    }
    return metadata;
}

}  // namespace quirelle
