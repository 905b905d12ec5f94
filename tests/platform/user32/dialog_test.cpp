// Dialogs built from the module's templates: controls in template order at their dialog-unit
// places with readable texts, the dialog keys, and the modal loop's owner handling.
#include "message_sequence.h"
#include "scripted_modals.h"
#include "controls.h"
#include "dialog.h"
#include "resource_formats.h"

#include "commctrl.h"
#include "kernel32_private.h"
#include "test_resources.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <array>

namespace {

std::vector<std::pair<UINT, WPARAM>> g_messages;

INT_PTR CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) g_messages.emplace_back(message, wParam);
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
    return message == WM_INITDIALOG;
}

user32::DialogTemplate Template(UINT id) {
    auto parsed = user32::ParseDialogTemplate(
        kernel32::ResourceBytes(GetModuleHandleW(nullptr), RT_DIALOG, MAKEINTRESOURCEW(id)));
    EXPECT_TRUE(parsed.has_value());
    return parsed.value_or(user32::DialogTemplate{});
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&init);
        g_messages.clear();
    }
};

TEST_F(DialogTest, ControlsComeInTemplateOrderAtTheirDialogUnitPlacesWithReadableTexts) {
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_PANEL), nullptr, &RecordingProc, 0);
    ASSERT_NE(dialog, nullptr);
    user32::DialogWindow* window = user32::DialogFromHandle(dialog);
    user32::DialogTemplate main = Template(IDD_PANEL);
    const auto& children = window->children();
    ASSERT_EQ(children.size(), main.items.size());
    QWidget* previousFocusable = nullptr;
    for (size_t i = 0; i < children.size(); ++i) {
        const auto& item = main.items[i];
        user32::Window* control = children[i];
        EXPECT_EQ(control->id(), item.id) << i;
        QRect expected = window->baseUnits().toPixels(item.x, item.y, item.cx, item.cy);
        bool buddyOrUpDown = item.id == 1008 || item.id == 1009;  // the up-down control moves these
        if (!buddyOrUpDown) {
            EXPECT_EQ(control->widget()->geometry(), expected) << item.id;
        }

        QString text = user32::ControlText(item.title.name, item.style & SS_NOPREFIX);
        if (auto* label = qobject_cast<QLabel*>(control->widget()); label && !text.isEmpty()) {
            EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(text), label->width()) << text.toStdString();
        }
        if (auto* button = qobject_cast<QPushButton*>(control->widget()); button && !text.isEmpty()) {
            EXPECT_LT(QFontMetrics(button->font()).horizontalAdvance(text), button->width()) << text.toStdString();
        }
        if (auto* group = qobject_cast<QGroupBox*>(control->widget())) {
            EXPECT_LT(QFontMetrics(group->font()).horizontalAdvance(text), group->width()) << text.toStdString();
        }
        // Tab order is template order.
        if (control->widget()->focusPolicy() != Qt::NoFocus) {
            if (previousFocusable) {
                QWidget* next = previousFocusable->nextInFocusChain();
                while (next && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
                EXPECT_EQ(next, control->widget()) << item.id;
            }
            previousFocusable = control->widget();
        }
    }
    DestroyWindow(dialog);
}

TEST_F(DialogTest, EnterPressesTheFocusedPushButtonOrOkAndEscapeCancels) {
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_PANEL), nullptr, &RecordingProc, 0);
    auto key = [&](int control, Qt::Key which) {
        QWidget* widget = user32::FromHandle(GetDlgItem(dialog, control))->widget();
        QKeyEvent press(QEvent::KeyPress, which, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
    };
    key(1007, Qt::Key_Return);  // a read-only edit: Enter means OK
    EXPECT_EQ(g_messages.back().second, MAKEWPARAM(IDOK, BN_CLICKED));
    SetFocus(GetDlgItem(dialog, 1000));
    key(1000, Qt::Key_Return);  // a focused push button presses itself
    EXPECT_EQ(g_messages.back().second, MAKEWPARAM(1000, BN_CLICKED));
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    size_t count = g_messages.size();
    key(1010, Qt::Key_Enter);  // a disabled default button is not pressed
    EXPECT_EQ(g_messages.size(), count);
    key(1010, Qt::Key_Escape);
    EXPECT_EQ(g_messages.back().second, MAKEWPARAM(IDCANCEL, BN_CLICKED));
    EXPECT_TRUE(user32::DialogFromHandle(dialog)->ended());
    DestroyWindow(dialog);
}

// Two default push buttons in one template: as on the platform the last one is the default and
// the other is left a plain push button.
TEST_F(DialogTest, TheDefaultButtonComesFromTheTemplateAndMovesWithDmSetDefId) {
    using namespace testing_support;
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_TWO_DEFAULTS), nullptr, &RecordingProc, 0);
    HWND ok = GetDlgItem(dialog, IDOK);
    HWND more = GetDlgItem(dialog, 1012);
    EXPECT_EQ(SendMessageW(dialog, DM_GETDEFID, 0, 0), MAKELONG(1012, DC_HASDEFID));
    EXPECT_EQ(SendMessageW(ok, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(SendMessageW(more, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);

    MessageLog log;
    log.watch(dialog, 0);
    log.watch(ok);
    log.watch(more);
    SendMessageW(dialog, DM_SETDEFID, IDOK, 0);
    log.expect({{DM_SETDEFID, 0, WParam, IDOK},
                {WM_GETDLGCODE, IDOK},
                {WM_GETDLGCODE, 1012},
                {BM_SETSTYLE, 1012, WParam | LParam, BS_PUSHBUTTON, TRUE},
                {BM_SETSTYLE, IDOK, WParam | LParam, BS_DEFPUSHBUTTON, TRUE}},
               "the default moves to OK");
    EXPECT_EQ(SendMessageW(more, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    log.clear();

    // Enter away from the push buttons asks the dialog for its default and presses that.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(user32::FromHandle(dialog)->widget(), &enter);
    log.expect({{DM_GETDEFID, 0}, {WM_COMMAND, 0, WParam | LParam, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(ok)}},
               "Enter presses the default");
    DestroyWindow(dialog);
}

// Keys reach the dialog manager as messages: it asks the control which keys it keeps, moves the
// focus for Tab and the arrows, and hands the rest to the control as WM_KEYDOWN, WM_CHAR, WM_KEYUP.
TEST_F(DialogTest, KeysBecomeMessagesThatTheDialogManagerRoutes) {
    using namespace testing_support;
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_PANEL), nullptr, &RecordingProc, 0);
    MessageLog log;
    log.watch(dialog, 0);
    for (int id : {1000, 1007}) log.watch(GetDlgItem(dialog, id));
    auto key = [&](int id, QEvent::Type type, Qt::Key which, const QString& text = {}) {
        QKeyEvent event(type, which, Qt::NoModifier, text);
        QApplication::sendEvent(user32::FromHandle(GetDlgItem(dialog, id))->widget(), &event);
    };
    const auto next = reinterpret_cast<WPARAM>(GetDlgItem(dialog, 1001));
    key(1000, QEvent::KeyPress, Qt::Key_Tab);
    log.expect({{WM_GETDLGCODE, 1000, WParam, VK_TAB}, {WM_NEXTDLGCTL, 0, WParam | LParam, next, TRUE}}, "Tab");
    key(1000, QEvent::KeyPress, Qt::Key_Right);
    log.expect({{WM_GETDLGCODE, 1000, WParam, VK_RIGHT}, {WM_NEXTDLGCTL, 0, WParam | LParam, next, TRUE}}, "an arrow");
    key(1007, QEvent::KeyPress, Qt::Key_A, "a");
    key(1007, QEvent::KeyRelease, Qt::Key_A, "a");
    log.expect({{WM_GETDLGCODE, 1007, WParam, 'A'},
                {WM_KEYDOWN, 1007, WParam | LParam, 'A', 1},
                {WM_GETDLGCODE, 1007, WParam, 'a'},
                {WM_CHAR, 1007, WParam, 'a'},
                {WM_GETDLGCODE, 1007, WParam, 'A'},
                {WM_KEYUP, 1007, WParam | LParam, 'A', LPARAM(0xC0000001u)}},
               "a key an edit keeps");
    key(1000, QEvent::KeyPress, Qt::Key_Escape);
    log.expect({{WM_GETDLGCODE, 1000, WParam, VK_ESCAPE}, {WM_COMMAND, 0, WParam, MAKEWPARAM(IDCANCEL, BN_CLICKED)}},
               "Escape");
    DestroyWindow(dialog);
}

// A mnemonic presses its button from anywhere in the dialog with Alt, and as a plain letter
// where the focused control takes no characters; "&&" is an ampersand, not a mnemonic.
TEST_F(DialogTest, AMnemonicPressesItsButtonUnlessTheFocusedControlTakesTheLetter) {
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_PANEL), nullptr, &RecordingProc, 0);
    struct Case {
        const wchar_t* text;  // of button 1003
        int focused;
        Qt::KeyboardModifiers modifiers;
        bool enabled;
        bool pressed;
    } cases[] = {
        {L"&Colours", 1000, Qt::AltModifier, true, true},       {L"&Colours", 1000, Qt::NoModifier, true, true},
        {L"&Colours", 1008, Qt::NoModifier, true, false},  // an edit box: the letter is typed
        {L"&Colours", 1008, Qt::AltModifier, true, true},       {L"&Colours", 1000, Qt::AltModifier, false, false},
        {L"Salt && &Cress", 1000, Qt::AltModifier, true, true}, {L"Salt &&Cress", 1000, Qt::AltModifier, true, false},
    };
    for (const Case& c : cases) {
        HWND button = GetDlgItem(dialog, 1003);
        SetWindowTextW(button, c.text);
        EnableWindow(button, c.enabled);
        SetFocus(GetDlgItem(dialog, c.focused));
        g_messages.clear();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_C, c.modifiers, QStringLiteral("c"));
        QApplication::sendEvent(user32::FromHandle(GetDlgItem(dialog, c.focused))->widget(), &press);
        const bool pressed = !g_messages.empty() && g_messages.back().second == MAKEWPARAM(1003, BN_CLICKED);
        EXPECT_EQ(pressed, c.pressed) << "text " << QString::fromWCharArray(c.text).toStdString() << ", focus on "
                                      << c.focused << (c.modifiers ? " with Alt" : "")
                                      << (c.enabled ? "" : ", disabled");
    }
    DestroyWindow(dialog);
}

TEST_F(DialogTest, AModalDialogDisablesItsOwnerUntilItEnds) {
    testing_support::ScriptedModals modals;
    HWND owner = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_PANEL), nullptr, &RecordingProc, 0);
    bool ownerDisabled = false;
    modals.expectDialog(IDD_TWO_DEFAULTS, [&](HWND modal) {
        ownerDisabled = !IsWindowEnabled(owner);
        // Each window's state is its own: the box takes input, the owner's controls keep theirs.
        EXPECT_TRUE(IsWindowEnabled(modal));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(modal, IDOK)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(owner, 1000)));
        EXPECT_EQ(user32::FromHandle(modal)->widget()->parentWidget(), user32::FromHandle(owner)->widget());
        SendMessageW(modal, WM_CLOSE, 0, 0);  // the close box is Cancel
    });
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_TWO_DEFAULTS), owner, &RecordingProc, 0), IDCANCEL);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST_F(DialogTest, AMissingTemplateMakesNoDialog) {
    EXPECT_EQ(CreateDialogParamW(nullptr, MAKEINTRESOURCEW(4321), nullptr, &RecordingProc, 0), nullptr);
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(4321), nullptr, &RecordingProc, 0), -1);
}

TEST_F(DialogTest, TheSystemMenuHoldsMinimizeAndCloseThenTheProgramsItems) {
    HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_PANEL), nullptr, &RecordingProc, 0);
    HMENU menu = GetSystemMenu(dialog, FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetSystemMenu(dialog, FALSE), menu);
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(SC_MINIMIZE));
    EXPECT_EQ(GetMenuItemID(menu, 1), static_cast<UINT>(SC_CLOSE));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, 0x10, L"&About");
    EXPECT_EQ(GetMenuItemCount(menu), 4);
    EXPECT_EQ(GetMenuItemID(menu, 3), 0x10u);
    // Controls have no system menu.
    EXPECT_EQ(GetSystemMenu(GetDlgItem(dialog, 1000), FALSE), nullptr);
    DestroyWindow(dialog);
}

// At base units where rounding tells them apart (7 by 13), a rectangle maps edge by edge while a
// control's size is converted on its own.
TEST(DialogUnitsTest, MapDialogRectConvertsEachEdgeAndControlsTheirSize) {
    const user32::DialogBaseUnits units{7, 13};
    const RECT mapped = units.mapEdges(RECT{1, 1, 3, 3});
    EXPECT_EQ((std::array{mapped.left, mapped.top, mapped.right, mapped.bottom}), (std::array<LONG, 4>{2, 2, 5, 5}));
    EXPECT_EQ(units.toPixels(1, 1, 2, 2), QRect(2, 2, 4, 3));
}

}  // namespace
