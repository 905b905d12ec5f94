#include "driver_dialogs.h"

#include "capture_window.h"
#include "driver_dialog.h"

#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace avicap32 {

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
