// The up-down control (msctls_updown32): two arrows that step a position within a range and,
// with UDS_SETBUDDYINT, show it in a buddy window as a number.
#include "updown.h"

#include "user32_private.h"
#include "commctrl.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <string>

namespace comctl32 {
namespace {

using user32::ControlCreateInfo;
using user32::Window;

class UpDownWindow : public Window, public QObject {
public:
    explicit UpDownWindow(const ControlCreateInfo& info)
        : Window(new QWidget(info.parent->clientWidget()), info.style, info.exStyle, info.id) {
        QWidget* box = widget();
        box->setGeometry(info.pixels);
        box->setFocusPolicy(Qt::NoFocus);
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        m_up = makeArrow(box, Qt::UpArrow, +1);
        m_down = makeArrow(box, Qt::DownArrow, -1);
        layout->addWidget(m_up);
        layout->addWidget(m_down);
        box->setVisible(info.style & WS_VISIBLE);
        // The control before this one in Z order is the buddy, as UDS_AUTOBUDDY asks.
        if ((info.style & UDS_AUTOBUDDY) && !info.parent->children().empty()) {
            setBuddy(info.parent->children().back());
        }
    }

    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case UDM_SETRANGE:
            setRange(static_cast<short>(HIWORD(lParam)), static_cast<short>(LOWORD(lParam)));
            return 0;
        case UDM_SETRANGE32:
            setRange(static_cast<int>(wParam), static_cast<int>(lParam));
            return 0;
        case UDM_GETRANGE:
            return MAKELONG(static_cast<short>(m_upper), static_cast<short>(m_lower));
        case UDM_GETRANGE32:
            if (wParam) *reinterpret_cast<int*>(wParam) = m_lower;
            if (lParam) *reinterpret_cast<int*>(lParam) = m_upper;
            return 0;
        case UDM_SETPOS:
            return setPosition(static_cast<short>(LOWORD(lParam)));
        case UDM_SETPOS32:
            return setPosition(static_cast<int>(lParam));
        case UDM_GETPOS: {
            bool valid = readBuddy();
            return MAKELONG(static_cast<short>(m_position), valid ? 0 : 1);
        }
        case UDM_GETPOS32: {
            bool valid = readBuddy();
            if (lParam) *reinterpret_cast<BOOL*>(lParam) = valid ? FALSE : TRUE;
            return m_position;
        }
        case UDM_SETBUDDY: {
            HWND previous = m_buddy;
            setBuddy(user32::FromHandle(reinterpret_cast<HWND>(wParam)));
            return reinterpret_cast<LRESULT>(previous);
        }
        case UDM_GETBUDDY:
            return reinterpret_cast<LRESULT>(m_buddy);
        default:
            return Window::classProc(message, wParam, lParam);
        }
    }

    ~UpDownWindow() override { setBuddy(nullptr); }

private:
    // The buddy's arrow keys step the position: the up-down subclasses its buddy, as on the
    // platform, so they reach it as the buddy's own WM_KEYDOWN.
    struct Subclass {
        UpDownWindow* upDown;
        WNDPROC original;
    };
    static std::map<HWND, Subclass>& buddies() {
        static std::map<HWND, Subclass> buddies;
        return buddies;
    }
    static LRESULT CALLBACK buddyProc(HWND buddy, UINT message, WPARAM wParam, LPARAM lParam) {
        const Subclass subclass = buddies().at(buddy);
        if (subclass.upDown && message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN) &&
            (subclass.upDown->style() & UDS_ARROWKEYS)) {
            subclass.upDown->step(wParam == VK_UP ? +1 : -1);
            return 0;
        }
        return CallWindowProcW(subclass.original, buddy, message, wParam, lParam);
    }

    QToolButton* makeArrow(QWidget* parent, Qt::ArrowType arrow, int direction) {
        auto* button = new QToolButton(parent);
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        QObject::connect(button, &QToolButton::clicked, button, [this, direction] { step(direction); });
        return button;
    }

    void setRange(int lower, int upper) {
        m_lower = lower;
        m_upper = upper;
        // The position never leaves the range, even for a range set after the position.
        setPosition(m_position);
    }

    int clamp(int value) const { return std::clamp(value, std::min(m_lower, m_upper), std::max(m_lower, m_upper)); }

    LRESULT setPosition(int position) {
        int previous = m_position;
        m_position = clamp(position);
        showInBuddy();
        return previous;
    }

    // The up arrow moves towards the upper end of the range, whichever way round it is.
    void step(int direction) {
        if (!IsWindowEnabled(handle())) return;
        readBuddy();
        int delta = m_upper >= m_lower ? direction : -direction;
        int next = m_position + delta;
        if (style() & UDS_WRAP) {
            int low = std::min(m_lower, m_upper), high = std::max(m_lower, m_upper);
            if (next > high) next = low;
            if (next < low) next = high;
        }
        setPosition(next);
        if (Window::parent())
            user32::Send(Window::parent(), WM_VSCROLL, MAKEWPARAM(4 /* SB_THUMBPOSITION */, m_position),
                         reinterpret_cast<LPARAM>(handle()));
    }

    void showInBuddy() {
        if ((style() & UDS_SETBUDDYINT) && IsWindow(m_buddy)) {
            SetWindowTextW(m_buddy, std::to_wstring(m_position).c_str());
        }
    }

    // With UDS_SETBUDDYINT the buddy's text is the position; a text that is no number in the
    // range leaves the position as it was and reports an error.
    bool readBuddy() {
        if (!(style() & UDS_SETBUDDYINT) || !IsWindow(m_buddy)) return true;
        WCHAR text[32] = {};
        GetWindowTextW(m_buddy, text, 32);
        std::wstring digits;
        for (const WCHAR* c = text; *c; ++c) {
            if (*c != L',') digits += *c;  // thousands separators
        }
        try {
            size_t used = 0;
            int value = std::stoi(digits, &used);
            if (used != digits.size() || value != clamp(value)) return false;
            m_position = value;
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }

    void setBuddy(Window* buddy) {
        if (auto old = buddies().find(m_buddy); old != buddies().end()) {
            if (GetWindowLongPtrW(m_buddy, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&buddyProc)) {
                SetWindowLongPtrW(m_buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old->second.original));
                buddies().erase(old);
            } else {
                // Subclassed again since: the later procedure still calls this one.
                old->second.upDown = nullptr;
            }
        }
        m_buddy = buddy ? buddy->handle() : nullptr;
        m_buddyWidget = buddy ? buddy->widget() : nullptr;
        if (!buddy) return;
        auto original =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(m_buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&buddyProc)));
        buddies()[m_buddy] = Subclass{this, original};
        if (!m_buddyWidget) return;
        QRect area = m_buddyWidget->geometry();
        int width = widget()->width();
        // Aligned controls sit against the buddy's side and take their width out of it.
        if (style() & UDS_ALIGNLEFT) {
            widget()->setGeometry(area.left(), area.top(), width, area.height());
            m_buddyWidget->setGeometry(area.left() + width, area.top(), std::max(0, area.width() - width),
                                       area.height());
        } else if (style() & UDS_ALIGNRIGHT) {
            m_buddyWidget->setGeometry(area.left(), area.top(), std::max(0, area.width() - width), area.height());
            widget()->setGeometry(area.left() + area.width() - width, area.top(), width, area.height());
        }
    }

    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    HWND m_buddy = nullptr;
    QPointer<QWidget> m_buddyWidget;
    // The platform's defaults: range 100 down to 0, position 0.
    int m_lower = 100;
    int m_upper = 0;
    int m_position = 0;
};

}  // namespace

void RegisterUpDownClass() {
    user32::RegisterControlClass(UPDOWN_CLASSW,
                                 [](const ControlCreateInfo& info) { return std::make_unique<UpDownWindow>(info); });
}

}  // namespace comctl32

// InitCommonControlsEx: registers the common control classes this platform has.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    if (init->dwICC & ICC_UPDOWN_CLASS) comctl32::RegisterUpDownClass();
    return TRUE;
}
