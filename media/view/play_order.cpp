#include "media/view/play_order.h"

namespace media {

PlayOrder::Tick PlayOrder::tick(bool drawing) {
    if (drawing) return {};
    if (m_next < m_count) return {long(m_next++), false};
    if (m_loop && m_count > 0) {
        m_next = 1;
        return {0, false};
    }
    // The last frame stays for its own interval before the end.
    if (m_next == m_count) {
        ++m_next;
        return {};
    }
    return {-1, true};
}

}  // namespace media
