#include "support/book_fixture.hpp"

namespace quirelle::testing {

std::string PackageDocument(const std::string& manifest, const std::string& spine,
                            const std::string& metadata, const std::string& spineAttributes) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
    <dc:identifier id="id">urn:uuid:00000000-0000-0000-0000-000000000002</dc:identifier>
    <dc:language>en</dc:language>
    )" + metadata +
           R"(
  </metadata>
  <manifest>
)" + manifest +
           R"(
  </manifest>
  <spine)" +
           spineAttributes + R"(>
)" + spine +
           R"(
  </spine>
</package>)";
}

std::string NcxDocument(const std::string& navPoints) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<ncx xmlns="http://www.daisy.org/z3986/2005/ncx/" version="2005-1">
  <head><meta name="dtb:uid" content="x"/></head>
  <docTitle><text>Not a page</text></docTitle>
  <navMap>
)" + navPoints +
           R"(
  </navMap>
</ncx>)";
}

std::string NavPoint(const std::string& label, const std::string& src) {
    return "<navPoint><navLabel><text>" + label + "</text></navLabel><content src=\"" + src +
           "\"/></navPoint>\n";
}

std::vector<Member> BookMembers(const std::string& package, std::vector<Member> extra) {
    std::vector<Member> members = {
        {"mimetype", "application/epub+zip", Compression::Store},
        {"META-INF/container.xml", kContainerXml},
        {"OEBPS/content.opf", package},
    };
    members.insert(members.end(), extra.begin(), extra.end());
    return members;
}

std::string XhtmlPage(const std::string& body, const std::string& head) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml"><head><title>Page</title>)" +
           head + "</head><body>" + body + "</body></html>";
}

std::string SheetLink(const std::string& href) {
    return R"(<link rel="stylesheet" type="text/css" href=")" + href + R"("/>)";
}

}  // namespace quirelle::testing
