#pragma once

#include "platform/dump_file.hpp"
#include "platform/paths.hpp"

namespace quirelle {

// Appends one block to "debug_css.txt" when that dump is switched on. The text is made only then:
// the lookups that write it run for every element of every redraw.
template <typename MakeText>
void DumpCss(bool debugCss, MakeText makeText) {
    if (debugCss) {
        WriteDump(RamPath("debug_css.txt"), makeText(), DumpMode::Append);
    }
}

}  // namespace quirelle
