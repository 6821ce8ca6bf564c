#include "package/package_names.hpp"

namespace quirelle {

namespace {

constexpr std::string_view kOpfNamespace = "http://www.idpf.org/2007/opf";
constexpr std::string_view kContainerNamespace = "urn:oasis:names:tc:opendocument:xmlns:container";
constexpr std::string_view kNcxNamespace = "http://www.daisy.org/z3986/2005/ncx/";
constexpr std::string_view kDublinCoreNamespace = "http://purl.org/dc/elements/1.1/";

}  // namespace

std::string PackageElementName(const XmlNamespaceScope& scope, std::string_view writtenName) {
    const XmlNamespaceScope::Name name = scope.Resolve(writtenName);
    if (!name.bound) {
        return std::string(writtenName);
    }
    if (name.uri == kDublinCoreNamespace) {
        return "dc:" + std::string(name.local);
    }
    if (name.uri.empty() || name.uri == kOpfNamespace || name.uri == kContainerNamespace ||
        name.uri == kNcxNamespace) {
        return std::string(name.local);
    }
    return std::string(writtenName);
}

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string_view WithoutFragment(std::string_view reference) {
    return reference.substr(0, reference.find_first_of("#\n"));
}

}  // namespace quirelle
