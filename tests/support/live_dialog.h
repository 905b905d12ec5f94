// A live Qt-made dialog handed to a test in the user's place (see ScriptedModals::expectLiveDialog).
// Controls are found by what the user reads: the label of their form row, their own text (buttons,
// check boxes, radio buttons), or else their objectName; '&' mnemonics and a trailing ':' do not
// count, so "Picture size" finds the row labelled "Picture &size:". Each change is made as the
// user's would be, with the signals a user's change sends, and press() runs the dialog's own OK or
// Cancel path. A name that matches no control, or more than one, fails the test.
//
//     modals.expectLiveDialog(L"Video Format", [](testing_support::LiveDialog& dialog) {
//         dialog.choose("Picture size", "640 x 480");
//         dialog.press("OK");
//     });
#pragma once

#include <QString>
#include <QWidget>

class QDialog;

namespace testing_support {

class LiveDialog {
public:
    explicit LiveDialog(QDialog& dialog) : m_dialog(dialog) {}

    QDialog& dialog() const { return m_dialog; }
    QString title() const;
    // Whether it is still open: a refused OK leaves it open.
    bool isOpen() const;

    // The control so named, or nullptr (having failed the test).
    QWidget* find(const QString& name) const;
    // The widget of that type at or inside the control so named (a row may hold a slider and a
    // spin box side by side), or nullptr (having failed the test).
    template <class Widget>
    Widget* find(const QString& name) const {
        return qobject_cast<Widget*>(findTyped(name, Widget::staticMetaObject));
    }

    // A slider or spin box (or both, in one row) moved to `value`.
    void setValue(const QString& name, int value);
    // The list's item that reads `item` picked.
    void choose(const QString& name, const QString& item);
    // A check box ticked or cleared, or a radio button chosen.
    void check(const QString& name, bool on = true);
    // A push button clicked: "OK", "Cancel", "Defaults"...
    void press(const QString& button);

    // What the control so named shows: a label's text, a list's current item, a box's number.
    QString text(const QString& name) const;
    // Whether any label in the dialog contains `fragment`: the messages that say why.
    bool shows(const QString& fragment) const;

private:
    QWidget* findTyped(const QString& name, const QMetaObject& type) const;

    QDialog& m_dialog;
};

}  // namespace testing_support
