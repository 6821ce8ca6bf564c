// Where a book enters the program: chosen in the file requester, named on the command line, or
// dropped on the window. All three end in the same probe-and-load sequence.
#include <cstdio>
#include <filesystem>

#include "package/archive.hpp"
#include "package/contents_tree.hpp"
#include "package/package_document.hpp"
#include "platform/charset.hpp"
#include "platform/file_access.hpp"
#include "platform/paths.hpp"
#include "view/document_view.hpp"
#include "view/file_requester.hpp"
#include "view/metadata_text.hpp"

namespace quirelle {

int RequestFile(Frontend& frontend, std::string_view title, bool saveMode, std::string_view pattern,
                std::string_view drawer, std::string& path) {
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
    OpenBook(path);
}

bool DocumentView::OpenBook(const std::string& path) {
    BusyPointer busy(frontend_);
    // Nothing of the open book is let go before the new one has been read: a book that cannot
    // be opened leaves the view as it was.
    switch (ProbeArchive(path)) {
        case ProbeResult::Readable:
            return LoadBook(path);
        case ProbeResult::Protected:
            frontend_.ShowMessage(kDrmMessage);
            return false;
        case ProbeResult::Damaged: {
            const std::string text = DamagedBookMessage(path);
            frontend_.SetStatus(ToSystemCharset(text).value_or(text));
            std::fprintf(stderr, "quirelle: %s\n", text.c_str());
            return false;
        }
        case ProbeResult::Unreadable:
            if (const auto reason = FileUnreadableReason(path)) {
                ReportOpenFailure(path, *reason);
            }
            return false;
    }
    return false;
}

void DocumentView::ReportOpenFailure(const std::string& path, std::string_view reason) {
    const std::string text = "Could not open " + path + ": " + std::string(reason);
    frontend_.SetStatus(ToSystemCharset(text).value_or(text));
    std::fprintf(stderr, "quirelle: %s\n", text.c_str());
}

bool DocumentView::LoadBook(const std::string& path) {
    BookState book;
    book.archivePath = path;
    PackageInfo info;
    frontend_.SetStatus("Get startpoint...");
    const bool containerRead = ReadContainer(path, book);
    frontend_.SetStatus("Startpoint found. Get metadata...");
    if (!containerRead || !ReadPackageDocument(path, book, frontend_.CurrentSettings().ignoreToc,
                                               data_->debug, info)) {
        ReportOpenFailure(path, "the book has no package document that could be read");
        return false;
    }

    // The book on display leaves its place before it goes.
    RememberPlace();
    Reset();
    data_->book = std::move(book);
    data_->history.Clear();
    UpdateHistoryButtons();
    data_->pictureStore.OpenBook(data_->book.archive);
    data_->maxPageLength = 0.0;
    data_->sheets.Clear();
    frontend_.ClearPageList();
    const std::pair<MetadataField, const std::string*> fields[] = {
        {MetadataField::Title, &info.title},
        {MetadataField::Creator, &info.creator},
        {MetadataField::Description, &info.description},
        {MetadataField::Publisher, &info.publisher},
        {MetadataField::Date, &info.date}};
    info.description = DescriptionAsText(info.description);
    info.date = DateAsText(info.date);
    for (const auto& [field, text] : fields) {
        frontend_.SetMetadata(field, ToSystemCharset(*text).value_or(std::string()));
    }
    // The placeholder goes up first: a cover that cannot be decoded leaves it in place. The book
    // keeps its own cover, or none: the placeholder is the panel's, not the book's.
    SetCover(PicturePath("no_cover.png").string());
    if (!info.coverPath.empty()) {
        SetCover(info.coverPath);
    }
    data_->book.coverPath = info.coverPath;
    FillPageList();
    data_->contents.Open(ReadContentsTree(data_->book), data_->book);
    frontend_.ContentsChanged();
    const int last = data_->book.documentCount - 1;
    frontend_.SetPageSliderMaximum(last);
    frontend_.SetExportRange(last, 0, last);

    frontend_.SetStatus("Metadata are loadet.Get startdoc now...");
    // A book without documents shows an empty page, not the last page of the book before.
    data_->documentText.size = 0;
    data_->documentText.data[0] = '\0';
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(path, error).string();
    frontend_.BookOpened(error ? path : absolute);
    // A book read before opens where it was left, without laying out its first document.
    std::optional<ReadingPlace> kept;
    if (placeStore_ != nullptr) {
        bookKey_ = BookKey(data_->book.uniqueIdentifier, path);
        kept = placeStore_->Find(bookKey_);
    }
    if (kept && ShowPlace(*kept)) {
        frontend_.SetStatus("");
        RememberPlace();
        return true;
    }
    const bool firstRead = LoadPage(0);
    frontend_.SetActivePageRow(0);
    if (firstRead) {
        frontend_.SetStatus("");
    }
    RememberPlace();
    return true;
}

}  // namespace quirelle
