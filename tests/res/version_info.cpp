#include "version_info.h"

namespace restest {
namespace {

uint16_t Word(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
size_t Align(size_t n) { return (n + 3) & ~size_t{3}; }

// Reads the node at `at`, which must end by `limit`.
bool ReadNode(std::span<const uint8_t> b, size_t at, size_t limit, VersionNode& node) {
    if (limit - at < 6) return false;
    node.length = Word(b, at);
    node.valueLength = Word(b, at + 2);
    node.type = Word(b, at + 4);
    if (node.length < 6 || node.length > limit - at) return false;
    const size_t end = at + node.length;
    size_t pos = at + 6;
    while (true) {
        if (end - pos < 2) return false;
        const char16_t c = Word(b, pos);
        pos += 2;
        if (c == 0) break;
        node.key.push_back(c);
    }
    pos = Align(pos);
    const size_t valueBytes = node.type == 1 ? size_t{node.valueLength} * 2 : node.valueLength;
    if (pos > end || end - pos < valueBytes) return false;
    node.value = b.subspan(pos, valueBytes);
    pos = Align(pos + valueBytes);
    while (pos < end) {
        VersionNode child;
        if (!ReadNode(b, pos, end, child)) return false;
        pos = Align(pos + child.length);
        node.children.push_back(std::move(child));
    }
    return true;
}

}  // namespace

std::u16string VersionNode::text() const {
    std::u16string text;
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

const VersionNode* VersionNode::child(const std::u16string& childKey) const {
    for (const VersionNode& child : children) {
        if (child.key == childKey) return &child;
    }
    return nullptr;
}

std::optional<VersionNode> ParseVersionInfo(std::span<const uint8_t> bytes) {
    VersionNode root;
    if (!ReadNode(bytes, 0, bytes.size(), root)) return std::nullopt;
    return root;
}

}  // namespace restest
