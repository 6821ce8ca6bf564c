"""Packs the generated cases (cases/*.xhtml with their shared sheet) into an EPUB 3 book."""

import glob
import os
import zipfile
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))
CASES = os.path.join(HERE, "cases")

CONTAINER = """<?xml version="1.0" encoding="UTF-8"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles>
    <rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/>
  </rootfiles>
</container>
"""

PACKAGE = """<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
    <dc:identifier id="id">urn:quirelle:fidelity-cases</dc:identifier>
    <dc:title>Fidelity cases</dc:title>
    <dc:language>en</dc:language>
    <meta property="dcterms:modified">2026-01-01T00:00:00Z</meta>
  </metadata>
  <manifest>
    <item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>
%s
  </manifest>
  <spine>
%s
  </spine>
</package>
"""

NAV = """<?xml version="1.0" encoding="UTF-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">
<head><title>Cases</title></head>
<body><nav epub:type="toc"><ol>
%s
</ol></nav></body>
</html>
"""


def case_files():
    return sorted(glob.glob(os.path.join(CASES, "*.xhtml")))


def pack(path):
    """Writes the cases book to path; returns the case names in reading order."""
    documents = [os.path.basename(p) for p in case_files()]
    sheets = sorted(os.path.basename(p) for p in glob.glob(os.path.join(CASES, "*.css")))
    items = ['    <item id="css%d" href="%s" media-type="text/css"/>' % (i, escape(name))
             for i, name in enumerate(sheets)]
    items += ['    <item id="doc%d" href="%s" media-type="application/xhtml+xml"/>'
              % (i, escape(name)) for i, name in enumerate(documents)]
    spine = ['    <itemref idref="doc%d"/>' % i for i in range(len(documents))]
    links = ['<li><a href="%s">%s</a></li>' % (escape(n), escape(n[:-6])) for n in documents]
    with zipfile.ZipFile(path, "w") as book:
        # The mimetype comes first and uncompressed, so that the file identifies itself.
        book.writestr(zipfile.ZipInfo("mimetype"), "application/epub+zip",
                      compress_type=zipfile.ZIP_STORED)
        book.writestr("META-INF/container.xml", CONTAINER, compress_type=zipfile.ZIP_DEFLATED)
        book.writestr("OEBPS/content.opf", PACKAGE % ("\n".join(items), "\n".join(spine)),
                      compress_type=zipfile.ZIP_DEFLATED)
        book.writestr("OEBPS/nav.xhtml", NAV % "\n".join(links), compress_type=zipfile.ZIP_DEFLATED)
        for name in sheets + documents:
            book.write(os.path.join(CASES, name), "OEBPS/" + name,
                       compress_type=zipfile.ZIP_DEFLATED)
    return documents
