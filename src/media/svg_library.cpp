#include "media/svg_library.hpp"

#include <dlfcn.h>

#include <cstdio>
#include <optional>

namespace quirelle {

namespace {

// The name the dynamic linker knows librsvg 2 by, whose interface has kept this version since
// 2.0; the development package's unversioned link is not needed at run time.
constexpr const char* kLibraryName = "librsvg-2.so.2";

template <typename Call>
bool Find(void* library, const char* name, Call& call) {
    call = reinterpret_cast<Call>(dlsym(library, name));
    return call != nullptr;
}

std::optional<SvgLibrary> Open() {
    // Never closed: handles and the drawing code stay in use until the program ends.
    void* library = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "quirelle: %s; SVG pictures are left empty\n", dlerror());
        return std::nullopt;
    }
    SvgLibrary calls;
    if (!Find(library, "rsvg_handle_new_from_data", calls.newFromData) ||
        !Find(library, "rsvg_handle_set_dpi", calls.setDpi) ||
        !Find(library, "rsvg_handle_get_intrinsic_size_in_pixels", calls.intrinsicSizeInPixels) ||
        !Find(library, "rsvg_handle_get_intrinsic_dimensions", calls.intrinsicDimensions) ||
        !Find(library, "rsvg_handle_render_document", calls.renderDocument)) {
        std::fprintf(stderr,
                     "quirelle: %s lacks a call SVG pictures need (%s); they are left empty\n",
                     kLibraryName, dlerror());
        return std::nullopt;
    }
    return calls;
}

}  // namespace

const SvgLibrary* SvgLibrary::Get() {
    static const std::optional<SvgLibrary> library = Open();
    return library ? &*library : nullptr;
}

}  // namespace quirelle
