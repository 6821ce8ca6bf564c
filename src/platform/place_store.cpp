#include "platform/place_store.hpp"

#include <glib.h>

#include "platform/paths.hpp"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

namespace quirelle {

namespace {

// One record per line: key, document, offset and path, separated by tabs. Keys and paths are
// kept free of tabs and line ends, which would break the line.
constexpr std::string_view kRecordTag = "place";

std::string Flattened(std::string_view text) {
    std::string flat(text);
    for (char& c : flat) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return flat;
}

std::vector<std::string_view> FieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    while (true) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

template <typename Number>
std::optional<Number> NumberOf(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::filesystem::path PlaceStore::DefaultFile() {
    // Read here rather than through GLib, which answers the first value it saw for the whole
    // process.
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0') {
        return std::filesystem::path(state) / "quirelle" / "places";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".local" / "state" / "quirelle" / "places";
    }
    return ConfigHome() / "quirelle" / "places";
}

PlaceStore PlaceStore::Load(const std::filesystem::path& file) {
    PlaceStore store;
    store.file_ = file;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line) && store.records_.size() < kMaxBooks) {
        const std::vector<std::string_view> fields = FieldsOf(line);
        if (fields.size() != 5 || fields[0] != kRecordTag || fields[1].empty()) {
            continue;
        }
        const std::optional<int> document = NumberOf<int>(fields[2]);
        const std::optional<std::uint32_t> offset = NumberOf<std::uint32_t>(fields[3]);
        if (!document || *document < 0 || !offset) {
            continue;
        }
        bool seen = false;
        for (const Record& record : store.records_) {
            seen = seen || record.key == fields[1];
        }
        if (!seen) {
            store.records_.push_back(
                {std::string(fields[1]), std::string(fields[4]), {*document, *offset}});
        }
    }
    return store;
}

bool PlaceStore::Save() const {
    std::string text;
    for (const Record& record : records_) {
        text += std::string(kRecordTag) + '\t' + record.key + '\t' +
                std::to_string(record.place.document) + '\t' + std::to_string(record.place.offset) +
                '\t' + record.path + '\n';
    }
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    GError* failure = nullptr;
    // g_file_set_contents writes a new file and renames it over the old one.
    const bool written =
        g_file_set_contents(file_.c_str(), text.data(), static_cast<gssize>(text.size()), &failure);
    if (!written) {
        std::fprintf(stderr, "quirelle: cannot keep the reading places in %s: %s\n", file_.c_str(),
                     failure ? failure->message : "unknown error");
        g_clear_error(&failure);
    }
    return written;
}

std::optional<ReadingPlace> PlaceStore::Find(std::string_view bookKey) const {
    for (const Record& record : records_) {
        if (record.key == bookKey) {
            return record.place;
        }
    }
    return std::nullopt;
}

void PlaceStore::Remember(std::string_view bookKey, const std::string& bookPath,
                          ReadingPlace place) {
    const std::string key = Flattened(bookKey);
    if (key.empty()) {
        return;
    }
    std::erase_if(records_, [&](const Record& record) { return record.key == key; });
    records_.insert(records_.begin(), {key, Flattened(bookPath), place});
    if (records_.size() > kMaxBooks) {
        records_.resize(kMaxBooks);
    }
}

std::string PlaceStore::LastBook() const {
    return records_.empty() ? std::string() : records_.front().path;
}

std::string BookKey(std::string_view uniqueIdentifier, const std::filesystem::path& bookFile) {
    const std::string identifier = Flattened(uniqueIdentifier);
    if (identifier.find_first_not_of(' ') != std::string::npos) {
        return "id:" + identifier;
    }
    std::unique_ptr<GChecksum, decltype(&g_checksum_free)> digest(g_checksum_new(G_CHECKSUM_SHA256),
                                                                  &g_checksum_free);
    std::ifstream in(bookFile, std::ios::binary);
    std::vector<char> chunk(1 << 16);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        g_checksum_update(digest.get(), reinterpret_cast<const guchar*>(chunk.data()), in.gcount());
    }
    return std::string("sha256:") + g_checksum_get_string(digest.get());
}

}  // namespace quirelle
