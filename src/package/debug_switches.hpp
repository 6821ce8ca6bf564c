#pragma once

namespace quirelle {

// Diagnostic dumps, each switched on by its tool type ("yes" turns it on). All off by default.
struct DebugSwitches {
    bool debugContents = false;
    bool debugHtml = false;
    bool debugCss = false;
    bool debugImages = false;
    bool debugText = false;
    bool debugElement = false;
    bool debugHlink = false;
};

}  // namespace quirelle
