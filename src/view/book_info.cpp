#include "view/book_info.hpp"

#include <cstdio>

#include "package/contents_tree.hpp"
#include "platform/charset.hpp"
#include "platform/json_writer.hpp"

namespace quirelle {

namespace {

class JsonObject {
  public:
    explicit JsonObject(std::string& out) : out_(out) { out_ += '{'; }
    ~JsonObject() { out_ += '}'; }

    void Key(std::string_view key) {
        if (!first_) {
            out_ += ',';
        }
        first_ = false;
        AppendJsonString(out_, key);
        out_ += ':';
    }
    void Field(std::string_view key, std::string_view text) {
        Key(key);
        AppendJsonString(out_, text);
    }
    // A text, or null when it is empty.
    void FieldOrNull(std::string_view key, std::string_view text) {
        if (text.empty()) {
            Key(key);
            out_ += "null";
        } else {
            Field(key, text);
        }
    }
    void Number(std::string_view key, double value) {
        Key(key);
        char number[32];
        std::snprintf(number, sizeof number, "%g", value);
        out_ += number;
    }

  private:
    std::string& out_;
    bool first_ = true;
};

// An array of one object per record in use, filled by `fill`.
template <typename Record, typename Fill>
void AppendArray(std::string& out, JsonObject& owner, std::string_view key,
                 const std::vector<Record>& records, int count, Fill fill) {
    owner.Key(key);
    out += '[';
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            out += ',';
        JsonObject object(out);
        fill(object, records[static_cast<std::size_t>(i)]);
    }
    out += ']';
}

void AppendContents(std::string& out, const std::vector<ContentsEntry>& entries) {
    out += '[';
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            out += ',';
        JsonObject object(out);
        object.Field("label", entries[i].label);
        object.Field("href", entries[i].href);
        object.Key("children");
        AppendContents(out, entries[i].children);
    }
    out += ']';
}

}  // namespace

std::string BookInfoJson(ProbeResult probe, DocumentViewData& data,
                         const HeadlessFrontend& frontend) {
    BookState& book = data.book;
    std::string out;
    {
        JsonObject info(out);
        info.Number("probe", static_cast<int>(probe));
        info.Field("rootfile", book.rootfilePath);
        info.Number("version", book.packageVersion);
        const std::pair<const char*, MetadataField> fields[] = {
            {"title", MetadataField::Title},
            {"creator", MetadataField::Creator},
            {"description", MetadataField::Description},
            {"publisher", MetadataField::Publisher},
            {"date", MetadataField::Date}};
        for (const auto& [key, field] : fields) {
            const auto shown = frontend.metadata.find(field);
            const std::string text = shown == frontend.metadata.end() ? "" : shown->second;
            // The panel holds the locale's character set; the report is UTF-8.
            info.Field(key, FromSystemCharset(text).value_or(text));
        }
        info.FieldOrNull("cover", book.coverPath);
        info.Field("tocHref", book.tocHref);
        info.Field("navHref", book.navHref);

        AppendArray(out, info, "manifest", book.manifestItems, book.manifestItemCount,
                    [](JsonObject& item, const ManifestItem& manifestItem) {
                        item.Field("id", manifestItem.id);
                        item.Field("href", manifestItem.href);
                        item.Field("properties", manifestItem.properties);
                        item.Field("mediaType", manifestItem.mediaType);
                    });
        AppendArray(out, info, "documents", book.documents, book.documentCount,
                    [](JsonObject& entry, const DocumentEntry& document) {
                        entry.Field("label", document.label);
                        entry.Field("href", document.href);
                    });
        info.Key("contents");
        AppendContents(out, ReadContentsTree(book));
    }
    return out;
}

}  // namespace quirelle
