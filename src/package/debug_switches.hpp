#pragma once

#include "platform/tool_types.hpp"

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

    bool operator==(const DebugSwitches&) const = default;
};

// The switches the tool types give: each one on only when its tool type (debug_contents,
// debug_html, debug_css, debug_images, debug_text, debug_element, debug_hlink) is exactly "yes".
DebugSwitches DebugSwitchesFrom(const ToolTypes& toolTypes);

}  // namespace quirelle
