#pragma once

#include <optional>
#include <string>

namespace quirelle {

// Why the file at `path` cannot be opened for reading, in words for the user ("no such file",
// "permission denied", ...); nothing when it can be.
std::optional<std::string> FileUnreadableReason(const std::string& path);

}  // namespace quirelle
