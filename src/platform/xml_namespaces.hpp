#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/xml_parser.hpp"

namespace quirelle {

// The namespace declarations in force during one expat pass without namespace processing, so that
// an element can be recognised by its namespace whatever prefix a book chose, while a document
// that uses a prefix it never declared still parses (and keeps its name as written).
class XmlNamespaceScope {
  public:
    struct Name {
        std::string_view uri;  // empty for an element in no namespace
        std::string_view local;
        bool bound = true;  // false: the prefix was never declared
    };

    // Call at every start tag, before Resolve, with the tag's attributes.
    void Enter(const XmlAttributes& attributes);
    // Call at every end tag, after Resolve.
    void Leave();

    Name Resolve(std::string_view qualifiedName) const;

  private:
    struct Binding {
        std::string prefix;
        std::string uri;
        int depth;
    };
    std::vector<Binding> bindings_;
    int depth_ = 0;
};

}  // namespace quirelle
