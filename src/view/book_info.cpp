#include "view/book_info.hpp"

#include <cstdio>

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

}  // namespace

std::string BookInfoJson(ProbeResult probe, const DocumentViewData& data,
                         const HeadlessFrontend& frontend) {
    const BookState& book = data.book;
    std::string out;
    {
        JsonObject info(out);
        info.Number("probe", static_cast<int>(probe));
        info.Field("rootfile", book.rootfilePath);
        info.Number("version", book.packageVersion);
        const std::pair<const char*, MetadataField> fields[] = {
            {"title", MetadataField::Title},         {"creator", MetadataField::Creator},
            {"description", MetadataField::Description}, {"publisher", MetadataField::Publisher},
            {"date", MetadataField::Date}};
        for (const auto& [key, field] : fields) {
            const auto shown = frontend.metadata.find(field);
            const std::string text = shown == frontend.metadata.end() ? "" : shown->second;
            // The panel holds the locale's character set; the report is UTF-8.
            info.Field(key, FromSystemCharset(text).value_or(text));
        }
        info.Field("cover", book.coverPath);
        info.Field("tocHref", book.tocHref);
        info.Field("navHref", book.navHref);

        info.Key("manifest");
        out += '[';
        for (int i = 0; i < book.manifestItemCount; ++i) {
            if (i > 0) out += ',';
            JsonObject item(out);
            item.Field("id", book.manifestItems[i].id);
            item.Field("href", book.manifestItems[i].href);
            item.Field("properties", book.manifestItems[i].properties);
        }
        out += ']';

        info.Key("documents");
        out += '[';
        for (int i = 0; i < book.documentCount; ++i) {
            if (i > 0) out += ',';
            JsonObject entry(out);
            entry.Field("label", book.documents[i].label);
            entry.Field("href", book.documents[i].href);
        }
        out += ']';
    }
    return out;
}

}  // namespace quirelle
