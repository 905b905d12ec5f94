#include "paint.h"

#include "window.h"
#include "winuser.h"

#include <map>
#include <memory>

namespace user32 {
namespace {

struct PaintTarget {
    HWND window = nullptr;
    QWidget* widget = nullptr;
};

PaintTarget& CurrentPaintEvent() {
    static PaintTarget target;
    return target;
}

// What an HDC from BeginPaint stands for, until EndPaint.
struct OpenPaint {
    static constexpr HandleKind kHandleKind = HandleKind::DeviceContext;
    HWND window = nullptr;
    std::unique_ptr<QImage> offscreen;  // null when painting on the widget
    std::unique_ptr<QPainter> painter;
};

std::map<HWND, QImage>& OffscreenResults() {
    static std::map<HWND, QImage> results;
    return results;
}

}  // namespace

PaintEventScope::PaintEventScope(HWND window, QWidget* widget)
    : m_previousWindow(CurrentPaintEvent().window), m_previousWidget(CurrentPaintEvent().widget) {
    CurrentPaintEvent() = {window, widget};
}

PaintEventScope::~PaintEventScope() { CurrentPaintEvent() = {m_previousWindow, m_previousWidget}; }

QPainter* PainterFor(HDC dc) {
    OpenPaint* open = LookUpHandle<OpenPaint>(dc);
    return open ? open->painter.get() : nullptr;
}

QImage LastOffscreenPaint(HWND window) {
    auto found = OffscreenResults().find(window);
    return found == OffscreenResults().end() ? QImage() : found->second;
}

void ForgetOffscreenPaint(HWND window) { OffscreenResults().erase(window); }

}  // namespace user32

HDC BeginPaint(HWND handle, PAINTSTRUCT* paint) {
    using namespace user32;
    Window* window = FromHandle(handle);
    if (!window || !paint) return nullptr;
    auto open = std::make_unique<OpenPaint>();
    open->window = handle;
    QWidget* client = window->clientWidget();
    if (CurrentPaintEvent().window == handle && CurrentPaintEvent().widget) {
        open->painter = std::make_unique<QPainter>(CurrentPaintEvent().widget);
    } else {
        open->offscreen = std::make_unique<QImage>(client ? client->size() : QSize(1, 1), QImage::Format_ARGB32);
        open->offscreen->fill(Qt::transparent);
        open->painter = std::make_unique<QPainter>(open->offscreen.get());
    }
    HDC dc = AddHandle<HDC>(std::move(open));
    *paint = PAINTSTRUCT{dc, FALSE, RECT{0, 0, client ? client->width() : 0, client ? client->height() : 0}};
    return dc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT* paint) {
    using namespace user32;
    if (!paint) return FALSE;
    std::unique_ptr<OpenPaint> open = TakeHandle<OpenPaint>(paint->hdc);
    if (!open) return FALSE;
    open->painter->end();
    if (open->offscreen) OffscreenResults()[handle] = *open->offscreen;
    return TRUE;
}
