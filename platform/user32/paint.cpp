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

struct OpenPaint {
    HWND window;
    std::unique_ptr<QImage> offscreen;  // null when painting on the widget
    std::unique_ptr<QPainter> painter;
};

std::map<HDC, OpenPaint>& OpenPaints() {
    static std::map<HDC, OpenPaint> paints;
    return paints;
}

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
    auto found = OpenPaints().find(dc);
    return found == OpenPaints().end() ? nullptr : found->second.painter.get();
}

QImage LastOffscreenPaint(HWND window) {
    auto found = OffscreenResults().find(window);
    return found == OffscreenResults().end() ? QImage() : found->second;
}

}  // namespace user32

// BeginPaint
HDC BeginPaint(HWND handle, PAINTSTRUCT* paint) {
    using namespace user32;
    Window* window = FromHandle(handle);
    if (!window || !paint) return nullptr;
    static uintptr_t nextDc = 0x30000;
    HDC dc = reinterpret_cast<HDC>(nextDc += 4);
    OpenPaint open{handle, nullptr, nullptr};
    QWidget* client = window->clientWidget();
    if (CurrentPaintEvent().window == handle && CurrentPaintEvent().widget) {
        open.painter = std::make_unique<QPainter>(CurrentPaintEvent().widget);
    } else {
        open.offscreen = std::make_unique<QImage>(client ? client->size() : QSize(1, 1), QImage::Format_ARGB32);
        open.offscreen->fill(Qt::transparent);
        open.painter = std::make_unique<QPainter>(open.offscreen.get());
    }
    OpenPaints().emplace(dc, std::move(open));
    *paint = PAINTSTRUCT{dc, FALSE, RECT{0, 0, client ? client->width() : 0, client ? client->height() : 0}};
    return dc;
}

// EndPaint
BOOL EndPaint(HWND handle, const PAINTSTRUCT* paint) {
    using namespace user32;
    if (!paint) return FALSE;
    auto found = OpenPaints().find(paint->hdc);
    if (found == OpenPaints().end()) return FALSE;
    found->second.painter->end();
    if (found->second.offscreen) OffscreenResults()[handle] = *found->second.offscreen;
    OpenPaints().erase(found);
    return TRUE;
}
