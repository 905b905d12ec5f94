// The framework's wrappers of the common controls.
#pragma once

#include "afxwin.h"
#include "commctrl.h"

class CSpinButtonCtrl : public CWnd {
public:
    void SetRange(short lower, short upper);
    int SetPos(int position);
    // UDM_GETPOS's reply as it comes: the position in the low word, an error flag in the high word.
    int GetPos() const;
};
