// Device contexts: an HDC stands for a QPainter open on a window's client area.
#pragma once

#include "windef.h"

#include <QImage>
#include <QPainter>

namespace user32 {

QPainter* PainterFor(HDC dc);

// While a window is not being painted by Qt (a test calling a paint handler directly), its
// paint context draws into this picture of the client area instead of the screen.
QImage LastOffscreenPaint(HWND window);
// The window is going: its picture goes with it.
void ForgetOffscreenPaint(HWND window);

// Set by a window's paintEvent around the WM_PAINT it sends, so that BeginPaint paints on the
// widget itself.
class PaintEventScope {
public:
    PaintEventScope(HWND window, QWidget* widget);
    ~PaintEventScope();
    PaintEventScope(const PaintEventScope&) = delete;
    PaintEventScope& operator=(const PaintEventScope&) = delete;

private:
    HWND m_previousWindow;
    QWidget* m_previousWidget;
};

}  // namespace user32
