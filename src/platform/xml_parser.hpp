#pragma once

#include <expat.h>

#include <memory>
#include <string_view>

namespace quirelle {

struct ExpatParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ExpatParser = std::unique_ptr<XML_ParserStruct, ExpatParserFree>;

// The attributes of one start tag, as expat hands them over: name, value, name, value, ..., null.
class XmlAttributes {
  public:
    explicit XmlAttributes(const XML_Char** pairs) : pairs_(pairs) {}

    // The value of the first attribute called `name`, or an empty text.
    std::string_view Get(std::string_view name) const {
        for (const XML_Char** pair = pairs_; pair && pair[0]; pair += 2) {
            if (name == pair[0]) {
                return pair[1];
            }
        }
        return {};
    }

    template <typename Visit>
    void ForEach(Visit&& visit) const {
        for (const XML_Char** pair = pairs_; pair && pair[0]; pair += 2) {
            visit(std::string_view(pair[0]), std::string_view(pair[1]));
        }
    }

  private:
    const XML_Char** pairs_;
};

// One expat pass over a whole text: no namespace processing, the document's own encoding.
// Subclasses override the handlers they need. A malformed text stops at expat's first error;
// what the handlers saw before it stands.
class XmlParser {
  public:
    using Attributes = XmlAttributes;

    virtual ~XmlParser() = default;

    // False when the parser could not be made or the text is not well-formed.
    bool Parse(std::string_view text);

  protected:
    virtual void StartElement(std::string_view /*name*/, const Attributes& /*attributes*/) {}
    virtual void EndElement(std::string_view /*name*/) {}
    virtual void CharacterData(std::string_view /*text*/) {}

  private:
    static void OnStart(void* self, const XML_Char* name, const XML_Char** attributes);
    static void OnEnd(void* self, const XML_Char* name);
    static void OnCharacters(void* self, const XML_Char* text, int length);
};

}  // namespace quirelle
