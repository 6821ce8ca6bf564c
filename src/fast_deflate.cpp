// cairo writes every stream of a PDF (the drawing of each page, the pixels of each picture that
// is not a JPEG) through zlib at zlib's default level, and offers no setting for it. For a book
// of pictures that compression is most of an export's time: the fastest level packs the same
// pixels four times as fast, into a file a few percent larger. So the program defines zlib's
// deflateInit_, the entry cairo calls, to take the fastest level. Callers that choose a level
// themselves call deflateInit2_, and keep it.
#include <zlib.h>

extern "C" int deflateInit_(z_streamp stream, int /*level*/, const char* version, int streamSize) {
    return deflateInit2_(stream, Z_BEST_SPEED, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                         version, streamSize);
}
