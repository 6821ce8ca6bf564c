#pragma once

#include <ostream>
#include <string>

#include "document/document_tree.hpp"
#include "layout/page_layout.hpp"

namespace quirelle {

// Writes a laid-out document as JSON Lines, for tests, benchmarks and users filing a bug: one
// object per line box, {"kind":"line","document":N,"x","y","width","height","baseline",
// "words":[{"text","x","y","width","height","family","size","weight","style","color"}]}, in the
// order laid out, then one per block box, {"kind":"block","document":N,"element","x","y",
// "width","height"}. Positions are in px on the document's page, from its top-left corner; a
// word's y and height are its line's.
void WritePageLayoutDump(std::ostream& out, const PageLayout& page, const DocumentTree& tree,
                         int document);

// The picture dump of one laid-out document, for "debug_image.txt": for each picture in document
// order, "------ Pic -------", its "Path = <src> = <file>", the "width" and "height" attributes
// as written, then "------ PIC -------" and the "Row_height" of the line or block it stands in;
// for an inline drawing, its markup as a file of its own between two "------ SVG -------".
std::string PictureDump(const PageLayout& page, const DocumentTree& tree);

}  // namespace quirelle
