#include "driver_dialogs.h"

#include "capture_window.h"
#include "user32/modal_hooks.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace avicap32 {
namespace {

QString PixelFormatName(media::PixelFormat format) {
    switch (format) {
    case media::PixelFormat::Mjpeg: return QStringLiteral("Motion JPEG");
    case media::PixelFormat::Yuyv: return QStringLiteral("YUYV 4:2:2");
    case media::PixelFormat::Rgb24: return QStringLiteral("RGB 24-bit");
    }
    return QString();
}

QString FrameRate(const media::StreamFormat& format) {
    if (format.frameIntervalNumerator == 0) return QStringLiteral("unknown");
    double rate = double(format.frameIntervalDenominator) / format.frameIntervalNumerator;
    return QStringLiteral("%1 frames per second").arg(rate, 0, 'g', 4);
}

// Runs a driver dialog: the test hook answers in place of the user when installed.
bool Run(QDialog& dialog) {
    if (user32::ModalHook* hook = user32::GetModalHook()) return hook->driverDialog(dialog.windowTitle().toStdWString());
    return dialog.exec() == QDialog::Accepted;
}

QDialog* MakeDialog(CaptureWindow& window, const QString& title, QVBoxLayout*& layout, bool withCancel) {
    auto* dialog = new QDialog(window.widget()->window());
    dialog->setWindowTitle(title);
    layout = new QVBoxLayout(dialog);
    auto* buttons = new QDialogButtonBox(withCancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                                    : QDialogButtonBox::Ok,
                                         dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog;
}

QFormLayout* InfoForm(CaptureWindow& window) {
    auto* form = new QFormLayout;
    media::StreamFormat format = window.live().format();
    form->addRow(QStringLiteral("Device:"), new QLabel(QString::fromStdString(window.live().sourceName())));
    form->addRow(QStringLiteral("Picture size:"), new QLabel(QStringLiteral("%1 x %2").arg(format.width).arg(format.height)));
    form->addRow(QStringLiteral("Format:"), new QLabel(PixelFormatName(format.format)));
    form->addRow(QStringLiteral("Frame rate:"), new QLabel(FrameRate(format)));
    return form;
}

BOOL ShowInfoDialog(CaptureWindow& window, const QString& title) {
    QVBoxLayout* layout = nullptr;
    std::unique_ptr<QDialog> dialog(MakeDialog(window, title, layout, false));
    layout->insertLayout(0, InfoForm(window));
    Run(*dialog);
    return TRUE;
}

}  // namespace

BOOL ShowVideoSourceDialog(CaptureWindow& window) { return ShowInfoDialog(window, QStringLiteral("Video Source")); }

BOOL ShowVideoFormatDialog(CaptureWindow& window) { return ShowInfoDialog(window, QStringLiteral("Video Format")); }

BOOL ShowVideoDisplayDialog(CaptureWindow& window) { return ShowInfoDialog(window, QStringLiteral("Video Display")); }

// The choice applies from the next recording: an open file keeps the codec it started with.
BOOL ShowVideoCompressionDialog(CaptureWindow& window) {
    QVBoxLayout* layout = nullptr;
    std::unique_ptr<QDialog> dialog(MakeDialog(window, QStringLiteral("Video Compression"), layout, true));
    auto* mjpeg = new QRadioButton(QStringLiteral("Motion JPEG (quality 90)"), dialog.get());
    auto* dib = new QRadioButton(QStringLiteral("Full Frames (Uncompressed)"), dialog.get());
    (window.codec() == media::AviVideoCodec::Mjpeg ? mjpeg : dib)->setChecked(true);
    layout->insertWidget(0, new QLabel(QStringLiteral("Compressor:"), dialog.get()));
    layout->insertWidget(1, mjpeg);
    layout->insertWidget(2, dib);
    if (!Run(*dialog)) return TRUE;
    window.setCodec(mjpeg->isChecked() ? media::AviVideoCodec::Mjpeg : media::AviVideoCodec::Dib);
    return TRUE;
}

}  // namespace avicap32
