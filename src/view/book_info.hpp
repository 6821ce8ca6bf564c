#pragma once

#include <string>

#include "package/archive.hpp"
#include "platform/headless_frontend.hpp"
#include "view/document_view_data.hpp"

namespace quirelle {

// One JSON object describing an opened book: what the probe said, the package's paths and
// version, the metadata the panel shows, the manifest, the reading order and the book's own
// contents tree (read from the book here). Text is UTF-8.
std::string BookInfoJson(ProbeResult probe, DocumentViewData& data,
                         const HeadlessFrontend& frontend);

}  // namespace quirelle
