#pragma once

#include <glib.h>

#include <functional>

namespace quirelle {

// Calls `handler` from the main loop when the process receives `signal` (SIGINT, SIGTERM, ...),
// for as long as the watch lives. Running in the main loop, the handler may do anything a menu
// item may do.
class UnixSignalWatch {
  public:
    UnixSignalWatch(int signal, std::function<void()> handler);
    ~UnixSignalWatch();
    UnixSignalWatch(const UnixSignalWatch&) = delete;
    UnixSignalWatch& operator=(const UnixSignalWatch&) = delete;

  private:
    static gboolean Dispatch(gpointer self);

    std::function<void()> handler_;
    guint source_ = 0;
};

}  // namespace quirelle
