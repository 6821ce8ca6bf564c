// Where a book enters the program: chosen in the file requester, named on the command line, or
// dropped on the window. All three end in the same probe-and-load sequence.
#include "package/archive.hpp"
#include "package/package_document.hpp"
#include "view/document_view.hpp"
#include "view/file_requester.hpp"

namespace quirelle {

namespace {

constexpr std::string_view kDrmMessage = "Quirelle did't support EPUB's with DRM!";

void ProbeAndLoad(DocumentView& view, const std::string& path) {
    if (ProbeArchive(path) == ProbeResult::Readable) {
        LoadBook(path, view);
    }
    if (ProbeArchive(path) == ProbeResult::Protected) {
        view.frontend().ShowMessage(kDrmMessage);
    }
}

}  // namespace

int RequestFile(Frontend& frontend, std::string_view title, bool saveMode,
                std::string_view pattern, std::string_view drawer, std::string& path) {
    FileRequest request = frontend.RequestFile(title, saveMode, pattern, drawer);
    switch (request.result) {
        case FileRequest::Result::Chosen:
            if (request.path.empty()) {
                return 0;
            }
            path = std::move(request.path);
            return 1;
        case FileRequest::Result::Failed:
            return -1;
        case FileRequest::Result::Cancelled:
            return 0;
    }
    return 0;
}

void DocumentView::OpenRequester() {
    BusyPointer busy(frontend_);
    std::string path;
    if (RequestFile(frontend_, "Open...", false, "#?.(EPU|EPUB)", "Epub", path) != 1) {
        // Cancelling leaves the open book as it was.
        return;
    }
    Reset();
    data_->maxPageLength = 0.0;
    ProbeAndLoad(*this, path);
}

void DocumentView::OpenBook(const std::string& path) {
    BusyPointer busy(frontend_);
    Reset();
    data_->maxPageLength = 0.0;
    ProbeAndLoad(*this, path);
}

}  // namespace quirelle
