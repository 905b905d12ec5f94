// The dialog framework: application object, command targets with message maps, windows,
// dialogs with data exchange, message boxes and painting.
#pragma once

#include "windows.h"
#include "afxstr.h"

#include <span>

#define afx_msg
#define PASCAL

class CCmdTarget;
class CWnd;
class CDialog;
class CWinApp;
class CDataExchange;

// ---------------------------------------------------------------------------------------------
// Message maps. Each class's map is a static table ended by a sentinel entry and chained to its
// base class's map; handlers are reached through small typed thunks, so a handler of the wrong
// shape fails to compile instead of being called with the wrong arguments.

typedef LRESULT (*AFX_MSG_THUNK)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // WM_COMMAND, WM_SYSCOMMAND, ...; 0 ends the table
    UINT nCode;     // notification code, for WM_COMMAND
    UINT nID;       // first control or command identifier, for WM_COMMAND
    UINT nLastID;   // last identifier of the range
    AFX_MSG_THUNK pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

namespace afx {
template <class>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
    using Class = C;
};

template <auto Handler>
LRESULT CommandThunk(CCmdTarget* target, WPARAM, LPARAM) {
    using C = typename MemberOf<decltype(Handler)>::Class;
    (static_cast<C*>(target)->*Handler)();
    return 0;
}
template <auto Handler>
LRESULT SysCommandThunk(CCmdTarget* target, WPARAM wParam, LPARAM lParam) {
    using C = typename MemberOf<decltype(Handler)>::Class;
    (static_cast<C*>(target)->*Handler)(static_cast<UINT>(wParam), lParam);
    return 0;
}
template <auto Handler>
LRESULT HelpInfoThunk(CCmdTarget* target, WPARAM, LPARAM lParam) {
    using C = typename MemberOf<decltype(Handler)>::Class;
    return (static_cast<C*>(target)->*Handler)(reinterpret_cast<HELPINFO*>(lParam));
}
template <auto Handler>
LRESULT QueryDragIconThunk(CCmdTarget* target, WPARAM, LPARAM) {
    using C = typename MemberOf<decltype(Handler)>::Class;
    return reinterpret_cast<LRESULT>((static_cast<C*>(target)->*Handler)());
}
}  // namespace afx

#define CN_COMMAND 0

#define DECLARE_MESSAGE_MAP()                            \
protected:                                               \
    static const AFX_MSGMAP* PASCAL GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() {                          \
        using ThisClass [[maybe_unused]] = theClass;                                  \
        typedef baseClass TheBaseClass;                                               \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                         \
    { 0, 0, 0, 0, nullptr }                                                                       \
    }                                                                                             \
    ;                                                                                             \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                           \
    }

#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, CN_COMMAND, (WORD)(id), (WORD)(id), &afx::CommandThunk<&ThisClass::memberFxn>},
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
    {WM_COMMAND, (WORD)(wNotifyCode), (WORD)(id), (WORD)(id), &afx::CommandThunk<&ThisClass::memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) \
    {WM_COMMAND, BN_CLICKED, (WORD)(id), (WORD)(id), &afx::CommandThunk<&ThisClass::memberFxn>},
#define ON_WM_SYSCOMMAND() {WM_SYSCOMMAND, 0, 0, 0, &afx::SysCommandThunk<&ThisClass::OnSysCommand>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, &afx::CommandThunk<&ThisClass::OnPaint>},
#define ON_WM_HELPINFO() {WM_HELP, 0, 0, 0, &afx::HelpInfoThunk<&ThisClass::OnHelpInfo>},
#define ON_WM_QUERYDRAGICON() {WM_QUERYDRAGICON, 0, 0, 0, &afx::QueryDragIconThunk<&ThisClass::OnQueryDragIcon>},

// ---------------------------------------------------------------------------------------------

class CObject {
public:
    virtual ~CObject() = default;
};

class CCmdTarget : public CObject {
public:
    // Looks the message up in this object's map and its bases' maps; calls the first matching
    // handler and returns true, or returns false when no entry matches.
    bool DispatchFromMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A command (menu, accelerator or control notification) through this object's maps, and
    // on along the framework's route for those that route further; whether a handler took it.
    virtual BOOL OnCmdMsg(UINT id, int code);

protected:
    static const AFX_MSGMAP* PASCAL GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

class CMenu {
public:
    HMENU m_hMenu = nullptr;

    static CMenu* FromHandle(HMENU menu);
    BOOL AppendMenuW(UINT flags, UINT_PTR idNewItem = 0, LPCWSTR text = nullptr);
    HMENU GetSafeHmenu() const { return m_hMenu; }
};

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    operator LPRECT() { return this; }
};

class CDC {
public:
    HDC m_hDC = nullptr;

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
};

class CWnd : public CCmdTarget {
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); }

    // The object attached to a window handle, if the framework knows one.
    static CWnd* FromHandlePermanent(HWND window);
    // That object, or else a temporary one standing for the window until the window is gone;
    // nullptr for no window.
    static CWnd* FromHandle(HWND window);
    BOOL Attach(HWND window);
    HWND Detach();
    // Routes the window's messages through this object's message map.
    BOOL SubclassWindow(HWND window);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    void SetWindowTextW(LPCWSTR text);
    CString GetWindowTextW() const;
    CWnd* GetDlgItem(int id) const;
    CMenu* GetSystemMenu(BOOL revert) const;
    HICON SetIcon(HICON icon, BOOL bigIcon);
    BOOL IsIconic() const;
    void GetClientRect(LPRECT rect) const;
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    BOOL DestroyWindow();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void DoDataExchange(CDataExchange* dx) {}

protected:
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    afx_msg void OnSysCommand(UINT id, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    // F1 in a top-level window asks the main window for ID_HELP, which the application answers.
    afx_msg BOOL OnHelpInfo(HELPINFO* info);

    WNDPROC m_pfnSuper = nullptr;  // the window's own procedure, for default processing
    UINT m_nMsgCurrent = 0;        // the message being handled, for Default()
    WPARAM m_wParamCurrent = 0;
    LPARAM m_lParamCurrent = 0;

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
};

LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class CButton : public CWnd {};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* window);
    ~CPaintDC();

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWndPaint;
};

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

    HWND PrepareCtrl(int id);
    // Tells the user which control holds a bad value and abandons the exchange.
    [[noreturn]] void Fail(LPCWSTR message);
};

void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    virtual INT_PTR DoModal();
    // Creates the dialog without a modal loop; the caller shows and destroys it.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    UINT TemplateId() const { return m_nIDHelp; }
    // What the dialog's own maps leave goes on to the application object.
    BOOL OnCmdMsg(UINT id, int code) override;

protected:
    UINT m_nIDHelp;  // the template's identifier
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
};

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(LPCWSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    void SetRegistryKey(LPCWSTR key);

    LPCWSTR m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;

protected:
    afx_msg void OnHelp();

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetResourceHandle();
HINSTANCE AfxGetInstanceHandle();
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK, UINT helpId = 0);
void AfxEnableControlContainer(void* site = nullptr);

#define ID_HELP 0xE146
