#pragma once

#include <string>
#include <string_view>

#include "platform/xml_namespaces.hpp"

namespace quirelle {

// The name a container, package or navigation document element is known by: its local name in
// the OPF, container or NCX namespace (or in none), "dc:" and its local name in the Dublin Core
// namespace, whatever prefixes the book wrote. Names with an undeclared prefix, or in any other
// namespace, stay as written.
std::string PackageElementName(const XmlNamespaceScope& scope, std::string_view writtenName);

// Text with the blanks, tabs and line breaks at either end removed.
std::string_view Trimmed(std::string_view text);

// A reference up to its first "#" or line break: the fragment names no member.
std::string_view WithoutFragment(std::string_view reference);

// "%20" and friends as bytes; a '%' that starts no escape stays as it is.
std::string PercentDecoded(std::string_view text);

}  // namespace quirelle
