#include "package/package_names.hpp"

namespace quirelle {

namespace {

constexpr std::string_view kOpfNamespace = "http://www.idpf.org/2007/opf";
constexpr std::string_view kContainerNamespace = "urn:oasis:names:tc:opendocument:xmlns:container";
constexpr std::string_view kNcxNamespace = "http://www.daisy.org/z3986/2005/ncx/";
constexpr std::string_view kDublinCoreNamespace = "http://purl.org/dc/elements/1.1/";

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

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

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                decoded.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        decoded.push_back(text[i]);
    }
    return decoded;
}

}  // namespace quirelle
