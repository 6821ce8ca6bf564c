#include "layout/document_events.hpp"

#include <cstdint>

#include "platform/xml_parser.hpp"

namespace quirelle {

namespace {

constexpr std::size_t kEndOfAttributes = SIZE_MAX;

class Recorder : public XmlParser {
  public:
    Recorder(std::string& pool, std::vector<DocumentEvent>& events,
             std::vector<std::size_t>& attributeOffsets)
        : pool_(pool), events_(events), attributeOffsets_(attributeOffsets) {}

  protected:
    void StartElement(std::string_view name, const Attributes& attributes) override {
        events_.push_back(
            {DocumentEvent::Kind::Start, Keep(name), name.size(), attributeOffsets_.size()});
        attributes.ForEach([&](std::string_view attribute, std::string_view value) {
            attributeOffsets_.push_back(Keep(attribute));
            attributeOffsets_.push_back(Keep(value));
        });
        attributeOffsets_.push_back(kEndOfAttributes);
    }
    void EndElement(std::string_view name) override {
        events_.push_back({DocumentEvent::Kind::End, Keep(name), name.size(), 0});
    }
    void CharacterData(std::string_view text) override {
        events_.push_back({DocumentEvent::Kind::Characters, Keep(text), text.size(), 0});
    }

  private:
    // The text into the pool, followed by a null, and where it starts there.
    std::size_t Keep(std::string_view text) {
        const std::size_t at = pool_.size();
        pool_.append(text);
        pool_ += '\0';
        return at;
    }

    std::string& pool_;
    std::vector<DocumentEvent>& events_;
    std::vector<std::size_t>& attributeOffsets_;
};

}  // namespace

void DocumentEvents::Record(std::string_view text) {
    if (recorded_ && text == text_) {
        return;
    }
    text_.assign(text);
    recorded_ = true;
    ++generation_;
    pool_.clear();
    events_.clear();
    attributeOffsets_.clear();
    Recorder recorder(pool_, events_, attributeOffsets_);
    recorder.Parse(text);
    // The pool has stopped growing: now its texts can be pointed at.
    pool_.shrink_to_fit();
    attributes_.clear();
    attributes_.reserve(attributeOffsets_.size());
    for (const std::size_t offset : attributeOffsets_) {
        attributes_.push_back(offset == kEndOfAttributes ? nullptr : pool_.data() + offset);
    }
}

}  // namespace quirelle
