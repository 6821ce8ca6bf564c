#include "app/unix_signal_watch.hpp"

#include <glib-unix.h>

namespace quirelle {

UnixSignalWatch::UnixSignalWatch(int signal, std::function<void()> handler)
    : handler_(std::move(handler)), source_(g_unix_signal_add(signal, &Dispatch, this)) {}

UnixSignalWatch::~UnixSignalWatch() {
    if (source_ != 0) {
        g_source_remove(source_);
    }
}

gboolean UnixSignalWatch::Dispatch(gpointer self) {
    static_cast<UnixSignalWatch*>(self)->handler_();
    // The watch stays: a second Ctrl-C while the first is being handled must not kill the
    // program outright.
    return G_SOURCE_CONTINUE;
}

}  // namespace quirelle
