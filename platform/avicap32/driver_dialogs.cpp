#include "driver_dialogs.h"

#include "capture_window.h"
#include "driver_dialog.h"
#include "stream_text.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace avicap32 {
namespace {

QString OnOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

}  // namespace

// Information only: preview, scale and rate are the program's own buttons.
BOOL ShowVideoDisplayDialog(CaptureWindow& window) {
    DriverDialog dialog(window, QStringLiteral("Video Display"), QDialogButtonBox::Ok);
    const media::StreamFormat format = window.live().format();
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Device:"), new QLabel(QString::fromStdString(window.live().sourceName())));
    form->addRow(QStringLiteral("Picture size:"), new QLabel(SizeText({format.width, format.height})));
    form->addRow(QStringLiteral("Format:"), new QLabel(PixelFormatName(format.format)));
    form->addRow(QStringLiteral("Frame rate:"), new QLabel(FrameRateText(format)));
    form->addRow(QStringLiteral("Preview:"), new QLabel(OnOff(window.previewing())));
    form->addRow(QStringLiteral("Scaled to the window:"), new QLabel(OnOff(window.scaled())));
    form->addRow(QStringLiteral("Preview rate:"), new QLabel(QStringLiteral("every %1 ms").arg(window.previewRate())));
    dialog.content()->addLayout(form);
    dialog.run();
    return TRUE;
}

}  // namespace avicap32
