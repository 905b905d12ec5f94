#include "driver_dialog.h"

#include "capture_window.h"
#include "user32_private.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace avicap32 {

DriverDialog::DriverDialog(CaptureWindow& window, const QString& title, QDialogButtonBox::StandardButtons buttons)
    : QDialog(window.widget()->window()), m_content(new QVBoxLayout), m_buttons(new QDialogButtonBox(buttons, this)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_content);
    layout->addWidget(m_buttons);
    // Return confirms, whichever other buttons the dialog has.
    if (QPushButton* ok = m_buttons->button(QDialogButtonBox::Ok)) ok->setDefault(true);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &DriverDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool DriverDialog::run() { return user32::ExecModalDialog(*this) == QDialog::Accepted; }

void DriverDialog::accept() {
    if (!m_confirm || m_confirm()) QDialog::accept();
}

}  // namespace avicap32
