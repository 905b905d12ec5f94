// Message-map dispatch: the first entry that matches, searching this class's map and then
// each base class's in turn.
#include "afxwin.h"

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CCmdTarget::OnCmdMsg(UINT id, int code) {
    return DispatchFromMessageMap(WM_COMMAND, MAKEWPARAM(id, code), 0, nullptr);
}

bool CCmdTarget::DispatchFromMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    UINT code = message == WM_COMMAND ? HIWORD(wParam) : 0;
    UINT id = message == WM_COMMAND ? LOWORD(wParam) : 0;
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nMessage != 0; ++entry) {
            if (entry->nMessage != message) continue;
            if (message == WM_COMMAND && (entry->nCode != code || id < entry->nID || id > entry->nLastID)) continue;
            LRESULT value = entry->pfn(this, wParam, lParam);
            if (result) *result = value;
            return true;
        }
    }
    return false;
}
