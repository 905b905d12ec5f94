// The Video Compression dialog: Motion JPEG at a chosen quality for the frames we encode, or
// full frames. Frames the device already sends as Motion JPEG are stored as they came.
#include "video_dialogs.h"

#include "capture_window.h"
#include "driver_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace avicap32 {

// Below this, JPEG blocks show in a still frame an animator looks at closely.
constexpr int kLowestQuality = 50;

// The choice applies from the next recording: an open file keeps the codec it started with.
BOOL ShowVideoCompressionDialog(CaptureWindow& window) {
    DriverDialog dialog(window, QStringLiteral("Video Compression"), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* grid = new QGridLayout;
    auto* mjpeg = new QRadioButton(QStringLiteral("&Motion JPEG"), &dialog);
    mjpeg->setObjectName(QStringLiteral("mjpeg"));
    auto* quality = new QSlider(Qt::Horizontal, &dialog);
    auto* qualityNumber = new QSpinBox(&dialog);
    qualityNumber->setObjectName(QStringLiteral("quality"));
    quality->setRange(kLowestQuality, 100);
    qualityNumber->setRange(kLowestQuality, 100);
    quality->setPageStep(5);
    quality->setValue(std::clamp(window.device().jpegQuality(), kLowestQuality, 100));
    qualityNumber->setValue(quality->value());
    QObject::connect(quality, &QSlider::valueChanged, qualityNumber, &QSpinBox::setValue);
    QObject::connect(qualityNumber, &QSpinBox::valueChanged, quality, &QSlider::setValue);
    auto* qualityLabel = new QLabel(QStringLiteral("&Quality:"), &dialog);
    qualityLabel->setBuddy(qualityNumber);
    auto* asSent = new QLabel(QStringLiteral("Frames the device already sends as Motion JPEG are stored as they "
                                             "came, at the device's own quality."),
                              &dialog);
    asSent->setWordWrap(true);
    auto* dib = new QRadioButton(QStringLiteral("&Full frames (uncompressed)"), &dialog);
    dib->setObjectName(QStringLiteral("uncompressed"));
    auto* choice = new QButtonGroup(&dialog);
    choice->addButton(mjpeg);
    choice->addButton(dib);
    (window.device().codec() == media::AviVideoCodec::Mjpeg ? mjpeg : dib)->setChecked(true);

    grid->addWidget(new QLabel(QStringLiteral("Compressor:"), &dialog), 0, 0, 1, 4);
    grid->addWidget(mjpeg, 1, 0, 1, 4);
    grid->addWidget(qualityLabel, 2, 1);
    grid->addWidget(quality, 2, 2);
    grid->addWidget(qualityNumber, 2, 3);
    grid->addWidget(asSent, 3, 1, 1, 3);
    grid->addWidget(dib, 4, 0, 1, 4);
    grid->setColumnMinimumWidth(0, 16);
    grid->setColumnStretch(2, 1);
    dialog.content()->addLayout(grid);
    if (window.recording()) {
        auto* later = new QLabel(QStringLiteral("The video being recorded keeps its compression: the choice applies "
                                                "from the next one."),
                                 &dialog);
        later->setWordWrap(true);
        dialog.content()->addWidget(later);
    }
    const auto follow = [&] {
        for (QWidget* w : std::initializer_list<QWidget*>{qualityLabel, quality, qualityNumber, asSent}) {
            w->setEnabled(mjpeg->isChecked());
        }
    };
    QObject::connect(mjpeg, &QRadioButton::toggled, follow);
    follow();
    dialog.setMinimumWidth(dialog.sizeHint().width() * 5 / 4);
    if (!dialog.run()) return TRUE;
    window.device().setCompression(mjpeg->isChecked() ? media::AviVideoCodec::Mjpeg : media::AviVideoCodec::Dib,
                                   qualityNumber->value());
    return TRUE;
}

}  // namespace avicap32
