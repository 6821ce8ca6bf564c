#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quirelle {

// A node of a document tree: an index into its flat arrays.
using NodeIndex = std::uint32_t;
inline constexpr NodeIndex kNoNode = 0xFFFFFFFFu;

// A name interned in one tree: equal names of the same tree have equal ids, so that style
// matching compares integers. Id 0 is the empty name.
using NameId = std::uint32_t;
inline constexpr NameId kEmptyName = 0;

// Namespaces a reader cares about, as a book writes them.
inline constexpr std::string_view kXhtmlNamespace = "http://www.w3.org/1999/xhtml";
inline constexpr std::string_view kSvgNamespace = "http://www.w3.org/2000/svg";
inline constexpr std::string_view kXlinkNamespace = "http://www.w3.org/1999/xlink";
inline constexpr std::string_view kOpsNamespace = "http://www.idpf.org/2007/ops";
inline constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

enum class NodeKind : std::uint8_t { Element, Text };

// An element's or attribute's name: the namespace it resolved to (empty for none, and for a
// prefix the document never declared), its local part, and its name as written.
struct QualifiedName {
    NameId namespaceUri = kEmptyName;
    NameId local = kEmptyName;
    NameId written = kEmptyName;
};

struct TreeAttribute {
    QualifiedName name;
    std::uint32_t valueOffset = 0;  // into the tree's character store
    std::uint32_t valueLength = 0;
};

// An XHTML (or SVG) document parsed once by expat into flat arrays: a node record per element
// and per run of character data, never one per character, with parent, child and sibling
// indexes. White space is kept as the source has it: collapsing it is the style's business.
// A text that is not well-formed keeps every node read before expat's error, with the
// elements still open closed there, as a streaming reader would have seen them.
class DocumentTree {
  public:
    // Against hostile nesting: an element deeper than this is not made a node; its children
    // and text go to the deepest element kept, so that a walk down the tree stays bounded.
    static constexpr std::size_t kMaxDepth = 512;

    static DocumentTree Parse(std::string_view xhtml);

    DocumentTree() = default;
    // The indexes hold views into the tree's own stores, which a move keeps and a copy would not.
    DocumentTree(DocumentTree&&) = default;
    DocumentTree& operator=(DocumentTree&&) = default;
    DocumentTree(const DocumentTree&) = delete;
    DocumentTree& operator=(const DocumentTree&) = delete;

    // False when expat stopped at an error (or the text could not be parsed at all).
    bool wellFormed() const { return wellFormed_; }
    // Expat's message and the line where it stopped, for the status line; empty when well-formed.
    const std::string& error() const { return error_; }

    // The document element, or kNoNode for a text that has none.
    NodeIndex root() const { return nodes_.empty() ? kNoNode : 0; }
    std::size_t size() const { return nodes_.size(); }

    NodeKind kind(NodeIndex node) const { return nodes_[node].kind; }
    bool IsElement(NodeIndex node) const { return nodes_[node].kind == NodeKind::Element; }
    NodeIndex parent(NodeIndex node) const { return nodes_[node].parent; }
    NodeIndex firstChild(NodeIndex node) const { return nodes_[node].firstChild; }
    NodeIndex lastChild(NodeIndex node) const { return nodes_[node].lastChild; }
    NodeIndex nextSibling(NodeIndex node) const { return nodes_[node].nextSibling; }
    NodeIndex previousSibling(NodeIndex node) const { return nodes_[node].previousSibling; }
    // The nearest element siblings, skipping text nodes; kNoNode when there is none.
    NodeIndex NextElementSibling(NodeIndex node) const;
    NodeIndex PreviousElementSibling(NodeIndex node) const;
    // Where the node starts in the source text, in bytes.
    std::uint32_t sourceOffset(NodeIndex node) const { return nodes_[node].sourceOffset; }

    // Elements: the name, and for an element in the XHTML namespace (or in none) the local name
    // alone is what a type selector compares.
    const QualifiedName& name(NodeIndex element) const { return nodes_[element].name; }
    std::string_view LocalName(NodeIndex element) const { return Text(name(element).local); }
    bool IsHtml(NodeIndex element) const;
    std::span<const TreeAttribute> attributes(NodeIndex element) const;
    // The value of the first attribute whose name as written is `written` ("class",
    // "epub:type", "xml:lang"); nothing when the element has none.
    std::optional<std::string_view> Attribute(NodeIndex element, std::string_view written) const;
    // The same, with an empty value for a missing attribute.
    std::string_view AttributeValue(NodeIndex element, std::string_view written) const;
    // The same by namespace and local name, whatever prefix the document chose.
    std::optional<std::string_view> AttributeNS(NodeIndex element, std::string_view namespaceUri,
                                                std::string_view local) const;
    std::string_view ValueOf(const TreeAttribute& attribute) const;

    // Text nodes: their characters, as expat gave them (entities resolved, UTF-8).
    std::string_view TextOf(NodeIndex textNode) const;

    // Interned names.
    std::string_view Text(NameId id) const { return names_[id]; }
    // The id of a name, or kNoName when the tree never met it (so nothing in it can match).
    static constexpr NameId kNoName = 0xFFFFFFFFu;
    NameId Find(std::string_view text) const;

    // The element whose `id` (or, in old books, whose `a name`) is `id`: the first in document
    // order. kNoNode when none has it.
    NodeIndex FindId(std::string_view id) const;

  private:
    struct Node {
        NodeKind kind = NodeKind::Element;
        QualifiedName name;
        NodeIndex parent = kNoNode;
        NodeIndex firstChild = kNoNode;
        NodeIndex lastChild = kNoNode;
        NodeIndex nextSibling = kNoNode;
        NodeIndex previousSibling = kNoNode;
        std::uint32_t sourceOffset = 0;
        // Elements: their attributes; text: their characters in the character store.
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };
    friend class DocumentTreeBuilder;

    std::vector<Node> nodes_;
    std::vector<TreeAttribute> attributes_;
    // Attribute values and text; a vector rather than a string, whose short-text buffer would
    // move and leave the id index's views behind.
    std::vector<char> characters_;
    std::vector<std::string> names_;
    // Interned names, sorted views into names_ with their ids, for Find.
    std::vector<std::pair<std::string_view, NameId>> nameIndex_;
    std::vector<std::pair<std::string_view, NodeIndex>> ids_;  // sorted by id, first node kept
    bool wellFormed_ = false;
    std::string error_;
};

}  // namespace quirelle
