// Builds small .res images and resource data for the parser tests, in the layout windres
// writes, so that each test can state its input plainly and then damage it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace restest {

using Bytes = std::vector<uint8_t>;
// A type or name: an ordinal or a string.
using Id = std::variant<uint16_t, std::u16string>;

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void PutString(Bytes& b, const std::u16string& s) {
    for (char16_t c : s) Put16(b, c);
    Put16(b, 0);
}
inline void PutId(Bytes& b, const Id& id) {
    if (auto* ordinal = std::get_if<uint16_t>(&id)) {
        Put16(b, 0xFFFF);
        Put16(b, *ordinal);
    } else {
        PutString(b, std::get<std::u16string>(id));
    }
}
inline void PadDword(Bytes& b) {
    while (b.size() % 4) b.push_back(0);
}

class ResImage {
public:
    ResImage() { add(uint16_t{0}, uint16_t{0}, 0, {}); }

    ResImage& add(const Id& type, const Id& name, uint16_t language, const Bytes& data) {
        Bytes header;
        PutId(header, type);
        PutId(header, name);
        PadDword(header);
        Put32(header, 0);       // data version
        Put16(header, 0x1030);  // memory flags
        Put16(header, language);
        Put32(header, 0);  // version
        Put32(header, 0);  // characteristics
        Put32(m_bytes, static_cast<uint32_t>(data.size()));
        Put32(m_bytes, static_cast<uint32_t>(header.size() + 8));
        m_bytes.insert(m_bytes.end(), header.begin(), header.end());
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        PadDword(m_bytes);
        return *this;
    }
    const Bytes& bytes() const { return m_bytes; }

private:
    Bytes m_bytes;
};

}  // namespace restest
