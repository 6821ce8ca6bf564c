#pragma once

#include <filesystem>
#include <string_view>

namespace quirelle {

enum class DumpMode { Append, Overwrite };

// Writes one block to a diagnostic dump: the file is opened, written and closed again, so a crash
// loses nothing already written. A file that cannot be opened is skipped silently.
void WriteDump(const std::filesystem::path& file, std::string_view text, DumpMode mode);

}  // namespace quirelle
