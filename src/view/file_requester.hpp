#pragma once

#include <string>
#include <string_view>

#include "platform/frontend.hpp"

namespace quirelle {

// Asks the user for a file. 1: a file was chosen and `path` holds it; 0: cancelled; -1: no
// requester could be shown. `path` is left alone unless a file was chosen.
int RequestFile(Frontend& frontend, std::string_view title, bool saveMode, std::string_view pattern,
                std::string_view drawer, std::string& path);

}  // namespace quirelle
