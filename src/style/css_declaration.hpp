#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quirelle {

// One declaration of a rule or of a `style` attribute, as the sheet reader hands it to the
// computed style: the property in lower case, and its value as written (comments removed, runs
// of white space made one space, trimmed, "!important" taken off).
struct CssDeclaration {
    std::string property;
    std::string value;
    bool important = false;
    bool operator==(const CssDeclaration&) const = default;
};

// Reads a declaration block ("color: red; margin: 0 !important"): a rule's block without its
// braces, or a `style` attribute. A declaration that cannot be read is dropped alone, as a
// browser drops it; the rest stand, in their order.
std::vector<CssDeclaration> ParseDeclarationBlock(std::string_view text);

}  // namespace quirelle
