// A content document as a book brings it, parsed into the document tree; every link of the tree
// is then walked and checked, so that a tree that lies about its shape fails here, not in the
// layout that trusts it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/document_tree.hpp"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quirelle::kNoNode;
    using quirelle::NodeIndex;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const quirelle::DocumentTree tree = quirelle::DocumentTree::Parse(text);
    for (NodeIndex node = 0; node < tree.size(); ++node) {
        const NodeIndex parent = tree.parent(node);
        Check((parent == kNoNode) == (node == tree.root()));
        Check(parent == kNoNode || parent < node);
        const NodeIndex next = tree.nextSibling(node);
        Check(next == kNoNode ||
              (tree.previousSibling(next) == node && tree.parent(next) == parent));
        if (tree.IsElement(node)) {
            for (const quirelle::TreeAttribute& attribute : tree.attributes(node)) {
                const std::string_view value = tree.ValueOf(attribute);
                tree.Text(attribute.name.local);
                if (tree.Text(attribute.name.written) == "id") {
                    const NodeIndex found = tree.FindId(value);
                    Check(found != kNoNode && found <= node);
                }
            }
        } else {
            Check(tree.firstChild(node) == kNoNode);
            tree.TextOf(node);
        }
    }
    return 0;
}
