#include "platform/dump_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace quirelle {

namespace {

// Closes the descriptor it holds when it goes.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

void WriteDump(const std::filesystem::path& file, std::string_view text, DumpMode mode) {
    // The dumps have fixed names and may land in /tmp, where anybody can put a link of that name
    // in their place: a link is not followed, so a dump can never overwrite a file it points at.
    // What a dump holds (the book's text, where its reader went) is the user's alone.
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC |
                      (mode == DumpMode::Append ? O_APPEND : O_TRUNC);
    const FileDescriptor fd(open(file.c_str(), flags, 0600));
    if (fd.get() < 0) {
        return;
    }
    while (!text.empty()) {
        const ssize_t written = write(fd.get(), text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace quirelle
