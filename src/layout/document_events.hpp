#pragma once

#include <expat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quirelle {

// One callback expat made while reading a document.
struct DocumentEvent {
    enum class Kind : std::uint8_t { Start, End, Characters };
    Kind kind;
    std::size_t text;        // where the element's name or the character data starts in the pool
    std::size_t length;      // the character data's length
    std::size_t attributes;  // Start: where its name, value, ..., null pairs start
};

// The callbacks expat makes for a document, recorded once, so that every later layout pass
// of the same text replays them instead of parsing again, and may start anywhere among them.
// A text that is not well-formed keeps the callbacks made before expat's error, as a parse
// would have made them.
class DocumentEvents {
  public:
    // Records the callbacks for `text`, unless they are already those of the same text.
    void Record(std::string_view text);

    // Changes whenever another text is recorded.
    unsigned generation() const { return generation_; }

    std::size_t size() const { return events_.size(); }
    const DocumentEvent& operator[](std::size_t index) const { return events_[index]; }
    const XML_Char* NameOf(const DocumentEvent& event) const { return pool_.data() + event.text; }
    std::string_view CharactersOf(const DocumentEvent& event) const {
        return std::string_view(pool_.data() + event.text, event.length);
    }
    const XML_Char** AttributesOf(const DocumentEvent& event) const {
        return const_cast<const XML_Char**>(attributes_.data() + event.attributes);
    }

  private:
    std::string text_;
    bool recorded_ = false;
    unsigned generation_ = 0;
    std::string pool_;
    std::vector<DocumentEvent> events_;
    std::vector<std::size_t> attributeOffsets_;  // into the pool; SIZE_MAX ends an element's
    std::vector<const XML_Char*> attributes_;
};

}  // namespace quirelle
