// The frame every capture driver dialog shares: its content above the buttons, over the capture
// window's dialog, run modally or handed live to the test hook when one is installed.
#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QString>

#include <functional>

class QVBoxLayout;

namespace avicap32 {

class CaptureWindow;

class DriverDialog : public QDialog {
public:
    DriverDialog(CaptureWindow& window, const QString& title, QDialogButtonBox::StandardButtons buttons);

    QVBoxLayout* content() const { return m_content; }
    QDialogButtonBox* buttons() const { return m_buttons; }
    // Asked when the user presses OK: the dialog closes only if it returns true, having told the
    // user in the dialog why not otherwise.
    void setConfirm(std::function<bool()> confirm) { m_confirm = std::move(confirm); }
    // Shows the dialog modally, or hands it to the test hook; true when the user confirmed it.
    bool run();

    void accept() override;

private:
    QVBoxLayout* m_content;
    QDialogButtonBox* m_buttons;
    std::function<bool()> m_confirm;
};

}  // namespace avicap32
