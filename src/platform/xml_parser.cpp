#include "platform/xml_parser.hpp"

#include <climits>

namespace quirelle {

void XmlParser::OnStart(void* self, const XML_Char* name, const XML_Char** attributes) {
    static_cast<XmlParser*>(self)->StartElement(name, XmlAttributes(attributes));
}

void XmlParser::OnEnd(void* self, const XML_Char* name) {
    static_cast<XmlParser*>(self)->EndElement(name);
}

void XmlParser::OnCharacters(void* self, const XML_Char* text, int length) {
    static_cast<XmlParser*>(self)->CharacterData(
        std::string_view(text, static_cast<std::size_t>(length)));
}

bool XmlParser::Parse(std::string_view text) {
    ExpatParser parser(XML_ParserCreate(nullptr));
    if (!parser || text.size() > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    XML_SetUserData(parser.get(), this);
    XML_SetElementHandler(parser.get(), &XmlParser::OnStart, &XmlParser::OnEnd);
    XML_SetCharacterDataHandler(parser.get(), &XmlParser::OnCharacters);
    return XML_Parse(parser.get(), text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_OK;
}

}  // namespace quirelle
