#pragma once

#include <zip.h>

#include <memory>

namespace quirelle {

// Archives are only ever read, so closing one discards instead of writing anything back.
struct ZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

using ZipArchive = std::unique_ptr<zip_t, ZipDiscard>;
using ZipFile = std::unique_ptr<zip_file_t, ZipFileClose>;

}  // namespace quirelle
