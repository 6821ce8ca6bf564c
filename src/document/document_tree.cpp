#include "document/document_tree.hpp"

#include <algorithm>
#include <climits>
#include <string>
#include <unordered_map>

#include "platform/xml_namespaces.hpp"
#include "platform/xml_parser.hpp"

namespace quirelle {

// Builds a tree from expat's callbacks. Namespaces are resolved by our own scope rather than by
// expat's namespace processing, which refuses a document that uses a prefix it never declared
// (books write `epub:type` without `xmlns:epub` often enough).
class DocumentTreeBuilder {
  public:
    explicit DocumentTreeBuilder(DocumentTree& tree) : tree_(tree) {
        tree_.names_.emplace_back();
        interned_.emplace(std::string(), kEmptyName);
    }

    void Parse(std::string_view text) {
        ExpatParser parser(XML_ParserCreate(nullptr));
        if (!parser || text.size() > static_cast<std::size_t>(INT_MAX)) {
            tree_.error_ = parser ? "the document is too large" : "no XML parser";
            return;
        }
        parser_ = parser.get();
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &OnStart, &OnEnd);
        XML_SetCharacterDataHandler(parser_, &OnCharacters);
        const bool ok =
            XML_Parse(parser_, text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_OK;
        tree_.wellFormed_ = ok;
        if (!ok) {
            tree_.error_ = std::string(XML_ErrorString(XML_GetErrorCode(parser_))) + " at line " +
                           std::to_string(XML_GetCurrentLineNumber(parser_));
        }
        parser_ = nullptr;
        Finish();
    }

  private:
    static void OnStart(void* self, const XML_Char* name, const XML_Char** attributes) {
        static_cast<DocumentTreeBuilder*>(self)->Start(name, attributes);
    }
    static void OnEnd(void* self, const XML_Char* /*name*/) {
        static_cast<DocumentTreeBuilder*>(self)->End();
    }
    static void OnCharacters(void* self, const XML_Char* text, int length) {
        static_cast<DocumentTreeBuilder*>(self)->Characters(
            std::string_view(text, static_cast<std::size_t>(length)));
    }

    NameId Intern(std::string_view text) {
        const auto found = interned_.find(std::string(text));
        if (found != interned_.end()) {
            return found->second;
        }
        const auto id = static_cast<NameId>(tree_.names_.size());
        tree_.names_.emplace_back(text);
        interned_.emplace(std::string(text), id);
        return id;
    }

    QualifiedName Resolve(std::string_view written, bool attribute) {
        QualifiedName name;
        name.written = Intern(written);
        // An attribute without a prefix is in no namespace, whatever the default namespace.
        if (attribute && written.find(':') == std::string_view::npos) {
            name.local = name.written;
            return name;
        }
        // The xml prefix is bound by XML itself and never declared.
        if (written.starts_with("xml:")) {
            name.namespaceUri = Intern(kXmlNamespace);
            name.local = Intern(written.substr(4));
            return name;
        }
        const XmlNamespaceScope::Name resolved = scope_.Resolve(written);
        name.namespaceUri = Intern(resolved.uri);
        name.local = Intern(resolved.local);
        return name;
    }

    std::uint32_t Store(std::string_view text) {
        const auto offset = static_cast<std::uint32_t>(tree_.characters_.size());
        tree_.characters_.insert(tree_.characters_.end(), text.begin(), text.end());
        return offset;
    }

    // Appends a node under the open element (or as the root) and links it to its siblings.
    NodeIndex Append(DocumentTree::Node node) {
        const auto index = static_cast<NodeIndex>(tree_.nodes_.size());
        const NodeIndex parent = open_.empty() ? kNoNode : open_.back();
        node.parent = parent;
        if (parent != kNoNode) {
            DocumentTree::Node& up = tree_.nodes_[parent];
            node.previousSibling = up.lastChild;
            if (up.lastChild != kNoNode) {
                tree_.nodes_[up.lastChild].nextSibling = index;
            } else {
                up.firstChild = index;
            }
            up.lastChild = index;
        }
        tree_.nodes_.push_back(node);
        return index;
    }

    std::uint32_t SourceOffset() const {
        const XML_Index at = parser_ ? XML_GetCurrentByteIndex(parser_) : 0;
        return at < 0 ? 0 : static_cast<std::uint32_t>(at);
    }

    void Start(const XML_Char* name, const XML_Char** attributes) {
        const XmlAttributes pairs(attributes);
        scope_.Enter(pairs);
        if (open_.size() >= DocumentTree::kMaxDepth) {
            ++skipped_;
            return;
        }
        DocumentTree::Node node;
        node.kind = NodeKind::Element;
        node.sourceOffset = SourceOffset();
        node.name = Resolve(name, false);
        node.first = static_cast<std::uint32_t>(tree_.attributes_.size());
        pairs.ForEach([&](std::string_view attributeName, std::string_view value) {
            TreeAttribute attribute;
            attribute.name = Resolve(attributeName, true);
            attribute.valueOffset = Store(value);
            attribute.valueLength = static_cast<std::uint32_t>(value.size());
            tree_.attributes_.push_back(attribute);
        });
        node.count = static_cast<std::uint32_t>(tree_.attributes_.size()) - node.first;
        open_.push_back(Append(node));
    }

    void End() {
        scope_.Leave();
        if (skipped_ > 0) {
            --skipped_;
            return;
        }
        if (!open_.empty()) {
            open_.pop_back();
        }
    }

    void Characters(std::string_view text) {
        if (open_.empty()) {
            return;  // white space around the document element
        }
        // Expat hands text over in pieces (at every line end and entity): one node for a run.
        DocumentTree::Node& parent = tree_.nodes_[open_.back()];
        if (parent.lastChild != kNoNode && parent.lastChild + 1 == tree_.nodes_.size() &&
            tree_.nodes_[parent.lastChild].kind == NodeKind::Text &&
            tree_.nodes_[parent.lastChild].first + tree_.nodes_[parent.lastChild].count ==
                tree_.characters_.size()) {
            tree_.characters_.insert(tree_.characters_.end(), text.begin(), text.end());
            tree_.nodes_[parent.lastChild].count += static_cast<std::uint32_t>(text.size());
            return;
        }
        DocumentTree::Node node;
        node.kind = NodeKind::Text;
        node.sourceOffset = SourceOffset();
        node.first = Store(text);
        node.count = static_cast<std::uint32_t>(text.size());
        Append(node);
    }

    void Finish() {
        tree_.nameIndex_.reserve(tree_.names_.size());
        for (NameId id = 0; id < tree_.names_.size(); ++id) {
            tree_.nameIndex_.emplace_back(tree_.names_[id], id);
        }
        std::sort(tree_.nameIndex_.begin(), tree_.nameIndex_.end());

        const NameId id = tree_.Find("id");
        const NameId name = tree_.Find("name");
        const NameId a = tree_.Find("a");
        const NameId xmlId = tree_.Find("xml:id");
        for (NodeIndex node = 0; node < tree_.nodes_.size(); ++node) {
            if (tree_.nodes_[node].kind != NodeKind::Element) {
                continue;
            }
            const bool anchor = tree_.nodes_[node].name.local == a && a != DocumentTree::kNoName;
            for (const TreeAttribute& attribute : tree_.attributes(node)) {
                const NameId written = attribute.name.written;
                if (written == id || written == xmlId || (anchor && written == name)) {
                    tree_.ids_.emplace_back(tree_.ValueOf(attribute), node);
                }
            }
        }
        // Sorted by id and then by node, so the first in document order wins a duplicate.
        std::stable_sort(tree_.ids_.begin(), tree_.ids_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }

    DocumentTree& tree_;
    XML_Parser parser_ = nullptr;
    XmlNamespaceScope scope_;
    std::unordered_map<std::string, NameId> interned_;
    std::vector<NodeIndex> open_;
    std::size_t skipped_ = 0;
};

DocumentTree DocumentTree::Parse(std::string_view xhtml) {
    DocumentTree tree;
    DocumentTreeBuilder(tree).Parse(xhtml);
    return tree;
}

NodeIndex DocumentTree::NextElementSibling(NodeIndex node) const {
    for (NodeIndex at = nodes_[node].nextSibling; at != kNoNode; at = nodes_[at].nextSibling) {
        if (nodes_[at].kind == NodeKind::Element) {
            return at;
        }
    }
    return kNoNode;
}

NodeIndex DocumentTree::PreviousElementSibling(NodeIndex node) const {
    for (NodeIndex at = nodes_[node].previousSibling; at != kNoNode;
         at = nodes_[at].previousSibling) {
        if (nodes_[at].kind == NodeKind::Element) {
            return at;
        }
    }
    return kNoNode;
}

bool DocumentTree::IsHtml(NodeIndex element) const {
    const NameId uri = nodes_[element].name.namespaceUri;
    return uri == kEmptyName || Text(uri) == kXhtmlNamespace;
}

std::span<const TreeAttribute> DocumentTree::attributes(NodeIndex element) const {
    const Node& node = nodes_[element];
    if (node.kind != NodeKind::Element) {
        return {};
    }
    return std::span<const TreeAttribute>(attributes_.data() + node.first, node.count);
}

std::string_view DocumentTree::ValueOf(const TreeAttribute& attribute) const {
    return std::string_view(characters_.data() + attribute.valueOffset, attribute.valueLength);
}

std::optional<std::string_view> DocumentTree::Attribute(NodeIndex element,
                                                        std::string_view written) const {
    for (const TreeAttribute& attribute : attributes(element)) {
        if (Text(attribute.name.written) == written) {
            return ValueOf(attribute);
        }
    }
    return std::nullopt;
}

std::string_view DocumentTree::AttributeValue(NodeIndex element, std::string_view written) const {
    return Attribute(element, written).value_or(std::string_view());
}

std::optional<std::string_view> DocumentTree::AttributeNS(NodeIndex element,
                                                          std::string_view namespaceUri,
                                                          std::string_view local) const {
    for (const TreeAttribute& attribute : attributes(element)) {
        if (Text(attribute.name.local) == local &&
            Text(attribute.name.namespaceUri) == namespaceUri) {
            return ValueOf(attribute);
        }
    }
    return std::nullopt;
}

std::string_view DocumentTree::TextOf(NodeIndex textNode) const {
    const Node& node = nodes_[textNode];
    if (node.kind != NodeKind::Text) {
        return {};
    }
    return std::string_view(characters_.data() + node.first, node.count);
}

NameId DocumentTree::Find(std::string_view text) const {
    const auto found = std::lower_bound(nameIndex_.begin(), nameIndex_.end(), text,
                                        [](const std::pair<std::string_view, NameId>& entry,
                                           std::string_view key) { return entry.first < key; });
    return found != nameIndex_.end() && found->first == text ? found->second : kNoName;
}

NodeIndex DocumentTree::FindId(std::string_view id) const {
    const auto found = std::lower_bound(ids_.begin(), ids_.end(), id,
                                        [](const std::pair<std::string_view, NodeIndex>& entry,
                                           std::string_view key) { return entry.first < key; });
    return found != ids_.end() && found->first == id ? found->second : kNoNode;
}

}  // namespace quirelle
