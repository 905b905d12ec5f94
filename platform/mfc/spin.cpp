#include "afxcmn.h"

void CSpinButtonCtrl::SetRange(short lower, short upper) { SendMessage(UDM_SETRANGE, 0, MAKELPARAM(upper, lower)); }

int CSpinButtonCtrl::SetPos(int position) {
    return static_cast<int>(SendMessage(UDM_SETPOS, 0, MAKELPARAM(position, 0)));
}

int CSpinButtonCtrl::GetPos() const { return static_cast<int>(SendMessageW(m_hWnd, UDM_GETPOS, 0, 0)); }
