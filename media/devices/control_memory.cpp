#include "control_memory.h"

#include <algorithm>

namespace media {

void ControlMemory::remember(uint32_t id, int32_t value) {
    m_values.erase(std::remove_if(m_values.begin(), m_values.end(), [id](const ControlValue& v) { return v.id == id; }),
                   m_values.end());
    m_values.push_back({id, value});
}

}  // namespace media
