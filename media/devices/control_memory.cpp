#include "control_memory.h"

#include <algorithm>

namespace media {

void ControlMemory::remember(uint32_t id, int32_t value)
{
    values_.erase(std::remove_if(values_.begin(), values_.end(),
                                 [id](const ControlValue& v) { return v.id == id; }),
                  values_.end());
    values_.push_back({id, value});
}

}  // namespace media
