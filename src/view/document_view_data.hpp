#pragma once

#include <string>

#include "package/archive.hpp"
#include "package/archive_buffer.hpp"
#include "package/book.hpp"
#include "package/debug_switches.hpp"

namespace quirelle {

// The document view's store: the open book, the document on display and the state of the page.
// The view creates it once and keeps it at the same address for its whole life; the package,
// layout, style and media code read and write it directly.
struct DocumentViewData {
    BookState book;
    ArchiveBuffer documentText = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);

    int currentPage = 1;  // index in book.documents of the page on display
    double scrollY = 0.0;
    double pageLength = 1000.0;
    double scrollRange = 0.0;
    double maxPageLength = 0.0;  // tallest page of the export range, once measured
    int areaWidth = 0;
    int areaHeight = 0;
    bool measurePass = false;
    bool cssEnabled = true;
    int styleRuleCount = 0;

    DebugSwitches debug;
};

}  // namespace quirelle
