#include "document/tree_markup.hpp"

#include <map>
#include <string_view>

namespace quirelle {

namespace {

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += attribute ? "&quot;" : "\"";
                break;
            default:
                out += c;
        }
    }
}

// The prefix of a name as written ("epub" of "epub:type"); empty without one.
std::string_view PrefixOf(std::string_view written) {
    const std::size_t colon = written.find(':');
    return colon == std::string_view::npos ? std::string_view() : written.substr(0, colon);
}

class MarkupWriter {
  public:
    explicit MarkupWriter(const DocumentTree& tree) : tree_(tree) {}

    void Element(NodeIndex element, bool outermost, std::string_view defaultNamespace) {
        const std::string_view name = tree_.Text(tree_.name(element).written);
        out_ += '<';
        out_ += name;
        if (outermost) {
            DeclareNamespaces(element, defaultNamespace);
        }
        for (const TreeAttribute& attribute : tree_.attributes(element)) {
            const std::string_view attributeName = tree_.Text(attribute.name.written);
            if (outermost && (attributeName == "xmlns" || attributeName.starts_with("xmlns:"))) {
                continue;  // declared anew below the element's own name
            }
            out_ += ' ';
            out_ += attributeName;
            out_ += "=\"";
            AppendEscaped(out_, tree_.ValueOf(attribute), true);
            out_ += '"';
        }
        if (tree_.firstChild(element) == kNoNode) {
            out_ += "/>";
            return;
        }
        out_ += '>';
        for (NodeIndex child = tree_.firstChild(element); child != kNoNode;
             child = tree_.nextSibling(child)) {
            if (tree_.IsElement(child)) {
                // The tree is at most DocumentTree::kMaxDepth deep, so the recursion is bounded.
                Element(child, false, {});
            } else {
                AppendEscaped(out_, tree_.TextOf(child), false);
            }
        }
        out_ += "</";
        out_ += name;
        out_ += '>';
    }

    std::string Take() { return std::move(out_); }

  private:
    // The element's default namespace, and every prefix used inside it with the namespace the
    // tree resolved it to: the first binding of a prefix stands. A prefix its document never
    // declared gets the namespace it always means (xlink, epub) or one of its own, so that the
    // markup stays well-formed.
    void DeclareNamespaces(NodeIndex element, std::string_view defaultNamespace) {
        std::map<std::string, std::string> declared;
        const QualifiedName& own = tree_.name(element);
        if (PrefixOf(tree_.Text(own.written)).empty()) {
            std::string_view uri = tree_.Text(own.namespaceUri);
            if (!defaultNamespace.empty() && !tree_.Attribute(element, "xmlns")) {
                uri = defaultNamespace;
            }
            if (!uri.empty()) {
                declared.emplace(std::string(), std::string(uri));
            }
        }
        const auto declare = [&](const QualifiedName& name) {
            const std::string_view prefix = PrefixOf(tree_.Text(name.written));
            if (prefix.empty() || prefix == "xml" || prefix == "xmlns") {
                return;
            }
            std::string uri(tree_.Text(name.namespaceUri));
            if (uri.empty()) {
                uri = prefix == "xlink"  ? std::string(kXlinkNamespace)
                      : prefix == "epub" ? std::string(kOpsNamespace)
                                         : "urn:x-undeclared:" + std::string(prefix);
            }
            declared.emplace(std::string(prefix), std::move(uri));
        };
        const NodeIndex end = Following(element);
        for (NodeIndex node = element; node < end && node < tree_.size(); ++node) {
            if (!tree_.IsElement(node)) {
                continue;
            }
            declare(tree_.name(node));
            for (const TreeAttribute& attribute : tree_.attributes(node)) {
                declare(attribute.name);
            }
        }
        for (const auto& [prefix, uri] : declared) {
            out_ += prefix.empty() ? " xmlns=\"" : " xmlns:" + prefix + "=\"";
            AppendEscaped(out_, uri, true);
            out_ += '"';
        }
    }

    // The first node after the element and all it holds (indexes follow document order).
    NodeIndex Following(NodeIndex element) const {
        for (NodeIndex node = element; node != kNoNode; node = tree_.parent(node)) {
            if (tree_.nextSibling(node) != kNoNode) {
                return tree_.nextSibling(node);
            }
        }
        return static_cast<NodeIndex>(tree_.size());
    }

    const DocumentTree& tree_;
    std::string out_;
};

}  // namespace

std::string MarkupOf(const DocumentTree& tree, NodeIndex element,
                     std::string_view defaultNamespace) {
    if (element >= tree.size() || !tree.IsElement(element)) {
        return {};
    }
    MarkupWriter writer(tree);
    writer.Element(element, true, defaultNamespace);
    return writer.Take();
}

}  // namespace quirelle
