#pragma once

#include <string>
#include <vector>

#include "support/epub_fixture.hpp"

namespace quirelle::testing {

// A package document around the given manifest items, spine itemrefs and metadata lines, with
// the namespaces and identifiers a real package declares.
std::string PackageDocument(const std::string& manifest, const std::string& spine,
                            const std::string& metadata = "<dc:title>Fixture</dc:title>",
                            const std::string& spineAttributes = "");

// An NCX whose navMap holds the given navPoint elements.
std::string NcxDocument(const std::string& navPoints);

// A navPoint with its label and content.
std::string NavPoint(const std::string& label, const std::string& src);

// mimetype, a container pointing at OEBPS/content.opf, the package, then the extra members.
std::vector<Member> BookMembers(const std::string& package, std::vector<Member> extra = {});

// A small XHTML page with the given body markup, and `head` after its title (a style sheet's
// link, a style element).
std::string XhtmlPage(const std::string& body, const std::string& head = "");

// The link element that applies the style sheet at `href` to a page.
std::string SheetLink(const std::string& href);

}  // namespace quirelle::testing
