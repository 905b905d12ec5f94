#include "driver_dialogs.h"

#include "capture_window.h"
#include "driver_dialog.h"
#include "stream_text.h"

#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
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

// The choice applies from the next recording: an open file keeps the codec it started with.
BOOL ShowVideoCompressionDialog(CaptureWindow& window) {
    DriverDialog dialog(window, QStringLiteral("Video Compression"), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* mjpeg = new QRadioButton(QStringLiteral("Motion JPEG (quality 90)"), &dialog);
    auto* dib = new QRadioButton(QStringLiteral("Full Frames (Uncompressed)"), &dialog);
    (window.codec() == media::AviVideoCodec::Mjpeg ? mjpeg : dib)->setChecked(true);
    dialog.content()->addWidget(new QLabel(QStringLiteral("Compressor:"), &dialog));
    dialog.content()->addWidget(mjpeg);
    dialog.content()->addWidget(dib);
    if (!dialog.run()) return TRUE;
    window.setCodec(mjpeg->isChecked() ? media::AviVideoCodec::Mjpeg : media::AviVideoCodec::Dib);
    return TRUE;
}

}  // namespace avicap32
