// Dialog units: template coordinates scale with the dialog font's average character width
// (a quarter of it per unit across) and height (an eighth of it per unit down), so that the
// texts fit the controls whatever the font and the screen's resolution.
#pragma once

#include "windef.h"

#include <QFont>
#include <QRect>
#include <string>

namespace user32 {

struct DialogBaseUnits {
    int x = 0;  // average character width in pixels
    int y = 0;  // character height in pixels

    static DialogBaseUnits forFont(const QFont& font);
    // A control's place: its corner and its size each converted, as controls are made.
    QRect toPixels(int x, int y, int cx, int cy) const;
    // Each edge converted on its own, as MapDialogRect does.
    RECT mapEdges(const RECT& units) const;
};

// The Qt font for a template's typeface and point size. The platform's dialog faces ("MS Shell
// Dlg" and friends) map to DejaVu Sans, which every installation of ours has.
QFont DialogFont(const std::wstring& typeface, int pointSize);

}  // namespace user32
