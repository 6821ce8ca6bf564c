// Zips a book's source folder into an EPUB: "mimetype" first and stored, as readers expect to
// find it at a fixed offset, then every other file deflated, in a stable (sorted) order.
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-epub SOURCE-FOLDER OUTPUT.epub\n");
        return 2;
    }
    const fs::path source = argv[1];
    const fs::path output = argv[2];
    if (!fs::is_regular_file(source / "mimetype")) {
        std::fprintf(stderr, "make-epub: %s has no mimetype file\n", source.c_str());
        return 1;
    }

    std::vector<std::string> members;
    for (const auto& entry : fs::recursive_directory_iterator(source)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string name = entry.path().lexically_relative(source).generic_string();
        // Files at the top beside "mimetype" (notes, scripts) describe the sources, not the book.
        if (name.find('/') != std::string::npos) {
            members.push_back(name);
        }
    }
    std::sort(members.begin(), members.end());
    members.insert(members.begin(), "mimetype");

    int error = 0;
    zip_t* archive = zip_open(output.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        std::fprintf(stderr, "make-epub: cannot create %s\n", output.c_str());
        return 1;
    }
    for (const std::string& name : members) {
        const std::string path = (source / name).string();
        zip_source_t* data = zip_source_file(archive, path.c_str(), 0, 0);
        const zip_int64_t index =
            data ? zip_file_add(archive, name.c_str(), data, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (data) {
                zip_source_free(data);
            }
            std::fprintf(stderr, "make-epub: cannot add %s: %s\n", name.c_str(),
                         zip_strerror(archive));
            zip_discard(archive);
            return 1;
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 name == "mimetype" ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
    }
    if (zip_close(archive) != 0) {
        std::fprintf(stderr, "make-epub: cannot write %s: %s\n", output.c_str(),
                     zip_strerror(archive));
        zip_discard(archive);
        return 1;
    }
    return 0;
}
