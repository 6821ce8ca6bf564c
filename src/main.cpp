#include <cstdio>
#include <cstring>
#include <string>

#include "package/archive.hpp"

namespace {

void PrintUsage() {
    std::printf(
        "Usage: quirelle [FILE]\n"
        "Reads the EPUB book FILE.\n"
        "  --help     show this text\n"
        "  --version  show the program's version\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        PrintUsage();
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("quirelle %s\n", QUIRELLE_VERSION);
        return 0;
    }
    if (argc < 2) {
        return 0;
    }
    const std::string path = argv[1];
    switch (quirelle::ProbeArchive(path)) {
        case quirelle::ProbeResult::Protected:
            std::fprintf(stderr, "Quirelle did't support EPUB's with DRM!\n");
            return 2;
        case quirelle::ProbeResult::Unreadable:
            std::fprintf(stderr, "quirelle: %s is not a readable book\n", path.c_str());
            return 1;
        case quirelle::ProbeResult::Readable:
            break;
    }
    // Until the package document is read, the members stand in for the reading order.
    for (const std::string& name : quirelle::ListEntries(path)) {
        std::printf("%s\n", name.c_str());
    }
    return 0;
}
