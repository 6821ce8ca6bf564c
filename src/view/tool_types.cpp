#include "platform/tool_types.hpp"
#include "package/debug_switches.hpp"
#include "view/document_view.hpp"

namespace quirelle {

void DocumentView::ReadToolTypes() {
    if (const std::optional<ToolTypes> toolTypes = LoadToolTypes()) {
        data_->debug = DebugSwitchesFrom(*toolTypes);
    }
}

}  // namespace quirelle
