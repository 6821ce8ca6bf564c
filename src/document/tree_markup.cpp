#include "document/tree_markup.hpp"

#include <set>
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

    void Element(NodeIndex element, bool outermost) {
        const std::string_view name = tree_.Text(tree_.name(element).written);
        out_ += '<';
        out_ += name;
        if (outermost) {
            DeclareNamespaces(element);
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
                Element(child, false);
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
    // Every prefix used inside the element, with the namespace the tree resolved it to; the
    // element's own default namespace too.
    void DeclareNamespaces(NodeIndex element) {
        std::set<std::pair<std::string, std::string>> declared;
        bool declaringOwnName = true;
        const auto declare = [&](const QualifiedName& name) {
            const std::string_view uri = tree_.Text(name.namespaceUri);
            const std::string_view prefix = PrefixOf(tree_.Text(name.written));
            // Inside, an unprefixed name keeps the default its own elements declare.
            if (uri.empty() || prefix == "xml" || prefix == "xmlns" ||
                (prefix.empty() && !declaringOwnName)) {
                return;
            }
            declared.insert({std::string(prefix), std::string(uri)});
        };
        const NodeIndex end = Following(element);
        for (NodeIndex node = element; node < end && node < tree_.size(); ++node) {
            if (!tree_.IsElement(node)) {
                continue;
            }
            declare(tree_.name(node));
            declaringOwnName = false;
            for (const TreeAttribute& attribute : tree_.attributes(node)) {
                if (!PrefixOf(tree_.Text(attribute.name.written)).empty()) {
                    declare(attribute.name);
                }
            }
        }
        std::set<std::string> prefixes;
        for (const auto& [prefix, uri] : declared) {
            if (!prefixes.insert(prefix).second) {
                continue;  // one prefix bound twice inside: the first binding stands
            }
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

std::string MarkupOf(const DocumentTree& tree, NodeIndex element) {
    if (element >= tree.size() || !tree.IsElement(element)) {
        return {};
    }
    MarkupWriter writer(tree);
    writer.Element(element, true);
    return writer.Take();
}

}  // namespace quirelle
