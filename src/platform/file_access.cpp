#include "platform/file_access.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace quirelle {

std::optional<std::string> FileUnreadableReason(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        const int error = errno;
        switch (error) {
            case ENOENT:
                return path.empty() ? "no file named" : "no such file";
            case EACCES:
                return "permission denied";
            case ENOTDIR:
                return "a part of its path is not a folder";
            case ENAMETOOLONG:
                return "the name is too long";
            default: {
                std::string reason = std::strerror(error);
                if (!reason.empty()) {
                    reason[0] =
                        static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
                }
                return reason;
            }
        }
    }
    struct stat status {};
    // Opened without blocking, so that a named pipe cannot hold the program up.
    const bool known = ::fstat(descriptor, &status) == 0;
    ::close(descriptor);
    if (known && S_ISDIR(status.st_mode)) {
        return "it is a folder, not a file";
    }
    if (known && !S_ISREG(status.st_mode)) {
        return "it is not a regular file";
    }
    return std::nullopt;
}

}  // namespace quirelle
