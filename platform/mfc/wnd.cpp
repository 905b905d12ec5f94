// CWnd: a C++ object attached to a window handle. Attached windows are subclassed so that
// their messages go through the object's message map before the window's own procedure.
#include "afxwin.h"

#include <memory>
#include <unordered_map>

namespace {

std::unordered_map<HWND, CWnd*>& PermanentMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

}  // namespace

// AfxWndProc: the procedure of every window the framework has subclassed.
LRESULT CALLBACK AfxWndProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(handle);
    if (!wnd) return DefWindowProcW(handle, message, wParam, lParam);
    UINT savedMessage = wnd->m_nMsgCurrent;
    WPARAM savedW = wnd->m_wParamCurrent;
    LPARAM savedL = wnd->m_lParamCurrent;
    wnd->m_nMsgCurrent = message;
    wnd->m_wParamCurrent = wParam;
    wnd->m_lParamCurrent = lParam;
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is gone: the object lives on without it.
        PermanentMap().erase(handle);
        wnd->m_hWnd = nullptr;
        wnd->m_pfnSuper = nullptr;
    } else {
        wnd->m_nMsgCurrent = savedMessage;
        wnd->m_wParamCurrent = savedW;
        wnd->m_lParamCurrent = savedL;
    }
    return result;
}

CWnd::~CWnd() {
    if (m_hWnd && IsWindow(m_hWnd)) {
        // Destroy the window while this object can still take its last messages through the
        // base class's map.
        ::DestroyWindow(m_hWnd);
    }
    if (m_hWnd) PermanentMap().erase(m_hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND handle) {
    auto found = PermanentMap().find(handle);
    return found == PermanentMap().end() ? nullptr : found->second;
}

BOOL CWnd::Attach(HWND handle) {
    if (!handle || m_hWnd || FromHandlePermanent(handle)) return FALSE;
    m_hWnd = handle;
    PermanentMap()[handle] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND handle = m_hWnd;
    if (handle) PermanentMap().erase(handle);
    m_hWnd = nullptr;
    return handle;
}

BOOL CWnd::SubclassWindow(HWND handle) {
    if (!IsWindow(handle) || !Attach(handle)) return FALSE;
    m_pfnSuper =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    return parent ? SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id))) : FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) return 0;
    } else if (DispatchFromMessageMap(message, wParam, lParam, &result)) {
        return result;
    }
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) { return OnCmdMsg(LOWORD(wParam), HIWORD(wParam)); }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(m_nMsgCurrent, m_wParamCurrent, m_lParamCurrent); }

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnPaint() { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }

BOOL CWnd::OnHelpInfo(HELPINFO*) {
    CWnd* main = AfxGetMainWnd();
    if ((GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_CHILD) || !main) return static_cast<BOOL>(Default());
    main->SendMessage(WM_COMMAND, ID_HELP);
    return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
void CWnd::SetWindowTextW(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }

CString CWnd::GetWindowTextW() const {
    int length = ::GetWindowTextLengthW(m_hWnd);
    CString text;
    ::GetWindowTextW(m_hWnd, text.GetBuffer(length), length + 1);
    text.ReleaseBuffer();
    return text;
}

CWnd* CWnd::FromHandle(HWND handle) {
    if (CWnd* permanent = FromHandlePermanent(handle)) return permanent;
    // A temporary never destroys its window: it lets go of it before it goes.
    struct LetGo {
        void operator()(CWnd* temporary) const {
            temporary->m_hWnd = nullptr;
            delete temporary;
        }
    };
    static std::unordered_map<HWND, std::unique_ptr<CWnd, LetGo>> temporaries;
    // A temporary outlives its window only until the next look-up.
    std::erase_if(temporaries,
                  [](const auto& entry) { return !IsWindow(entry.first) || FromHandlePermanent(entry.first); });
    if (!IsWindow(handle)) return nullptr;
    auto& temporary = temporaries[handle];
    if (!temporary) {
        temporary.reset(new CWnd);
        temporary->m_hWnd = handle;
    }
    return temporary.get();
}

CWnd* CWnd::GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }

CMenu* CWnd::GetSystemMenu(BOOL revert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, revert)); }

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    return reinterpret_cast<HICON>(
        SendMessageW(m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
void CWnd::GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

// CMenu::FromHandle: the framework keeps one temporary wrapper per menu handle.
CMenu* CMenu::FromHandle(HMENU menu) {
    if (!menu) return nullptr;
    static std::unordered_map<HMENU, CMenu> wrappers;
    CMenu& wrapper = wrappers[menu];
    wrapper.m_hMenu = menu;
    return &wrapper;
}

BOOL CMenu::AppendMenuW(UINT flags, UINT_PTR idNewItem, LPCWSTR text) {
    return ::AppendMenuW(m_hMenu, flags, idNewItem, text);
}

CPaintDC::CPaintDC(CWnd* window) : m_hWndPaint(window->m_hWnd) { m_hDC = ::BeginPaint(m_hWndPaint, &m_ps); }

CPaintDC::~CPaintDC() { ::EndPaint(m_hWndPaint, &m_ps); }
