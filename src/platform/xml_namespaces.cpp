#include "platform/xml_namespaces.hpp"

namespace quirelle {

void XmlNamespaceScope::Enter(const XmlAttributes& attributes) {
    ++depth_;
    attributes.ForEach([this](std::string_view name, std::string_view value) {
        if (name == "xmlns") {
            bindings_.push_back({"", std::string(value), depth_});
        } else if (name.starts_with("xmlns:")) {
            bindings_.push_back({std::string(name.substr(6)), std::string(value), depth_});
        }
    });
}

void XmlNamespaceScope::Leave() {
    while (!bindings_.empty() && bindings_.back().depth == depth_) {
        bindings_.pop_back();
    }
    if (depth_ > 0) {
        --depth_;
    }
}

XmlNamespaceScope::Name XmlNamespaceScope::Resolve(std::string_view qualifiedName) const {
    const auto colon = qualifiedName.find(':');
    const std::string_view prefix =
        colon == std::string_view::npos ? std::string_view() : qualifiedName.substr(0, colon);
    const std::string_view local =
        colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
    for (auto binding = bindings_.rbegin(); binding != bindings_.rend(); ++binding) {
        if (binding->prefix == prefix) {
            return {binding->uri, local, true};
        }
    }
    return {{}, local, prefix.empty()};
}

}  // namespace quirelle
