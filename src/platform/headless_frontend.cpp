#include "platform/headless_frontend.hpp"

namespace quirelle {

void HeadlessFrontend::SetStatus(std::string_view text) {
    statusHistory.emplace_back(text);
}

void HeadlessFrontend::ClearPageList() {
    pageListRows.clear();
    activePageRow = -1;
}

void HeadlessFrontend::InsertPageListRow(int position, std::string_view label) {
    // Rows are inserted at the document's index; the list never has holes, so an index past its
    // end appends, as a list gadget does.
    const auto at = position < 0 || static_cast<std::size_t>(position) > pageListRows.size()
                        ? pageListRows.end()
                        : pageListRows.begin() + position;
    pageListRows.emplace(at, label);
}

void HeadlessFrontend::SetExportRange(int maximum, int from, int to) {
    exportMaximum = maximum;
    exportFrom = from;
    exportTo = to;
}

void HeadlessFrontend::SetScrollRange(double total, double visible) {
    scrollTotal = total;
    scrollVisible = visible;
}

void HeadlessFrontend::SetMetadata(MetadataField field, std::string_view text) {
    metadata[field] = std::string(text);
}

void HeadlessFrontend::ShowCover(const std::string& archivePath, const std::string& cover) {
    coverArchivePath = archivePath;
    coverPath = cover;
}

void HeadlessFrontend::SetBusy(bool busy) {
    busyDepth += busy ? 1 : -1;
    if (busy) {
        ++busyCount;
    }
}

FileRequest HeadlessFrontend::RequestFile(std::string_view title, bool saveMode,
                                          std::string_view pattern, std::string_view drawer) {
    fileRequests.push_back(
        {std::string(title), std::string(pattern), std::string(drawer), saveMode});
    if (fileRequestAnswers.empty()) {
        return {};
    }
    FileRequest answer = fileRequestAnswers.front();
    fileRequestAnswers.pop_front();
    return answer;
}

}  // namespace quirelle
