#include "package/debug_switches.hpp"

namespace quirelle {

DebugSwitches DebugSwitchesFrom(const ToolTypes& toolTypes) {
    const auto on = [&toolTypes](std::string_view name) {
        // Case counts: "YES" leaves a switch off, as every value but "yes" does.
        return toolTypes.Find(name, "no") == "yes";
    };
    DebugSwitches debug;
    debug.debugContents = on("debug_contents");
    debug.debugHtml = on("debug_html");
    debug.debugCss = on("debug_css");
    debug.debugImages = on("debug_images");
    debug.debugText = on("debug_text");
    debug.debugElement = on("debug_element");
    debug.debugHlink = on("debug_hlink");
    return debug;
}

}  // namespace quirelle
