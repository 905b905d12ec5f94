// Reads a VS_VERSIONINFO block into its tree of nodes, with every stored length kept, so that
// tests can check the lengths as well as the texts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace restest {

struct VersionNode {
    uint16_t length = 0;       // wLength: the node with its children, in bytes
    uint16_t valueLength = 0;  // wValueLength: characters for text, bytes for binary
    uint16_t type = 0;         // 1 text, 0 binary
    std::u16string key;
    std::span<const uint8_t> value;  // the stored bytes, a text's terminator included
    std::vector<VersionNode> children;

    std::u16string text() const;  // a text value without its terminator
    const VersionNode* child(const std::u16string& childKey) const;
};

// nullopt when a length or the nesting does not fit the bytes.
std::optional<VersionNode> ParseVersionInfo(std::span<const uint8_t> bytes);

}  // namespace restest
