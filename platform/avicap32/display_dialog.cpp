// The Video Display dialog: sets up the animator's view (onion skin, mirror, playing the take)
// and opens the large view. Changes show in the views at once; Cancel puts back what was there.
#include "video_dialogs.h"

#include "animator_view_private.h"
#include "capture_window.h"
#include "driver_dialog.h"

#include "media/view/compositor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace avicap32 {

BOOL ShowVideoDisplayDialog(CaptureWindow& window) {
    AnimatorView& view = window.view();
    const DisplaySettings before = view.settings();
    DriverDialog dialog(window, QStringLiteral("Video Display"), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    auto* onion = new QGroupBox(QStringLiteral("Onion skin"), &dialog);
    auto* frames = new QComboBox(onion);
    frames->addItem(QStringLiteral("Off"));
    frames->addItem(QStringLiteral("Last frame"));
    for (int n = 2; n <= media::kMaxOnionFrames; ++n) frames->addItem(QStringLiteral("Last %1 frames").arg(n));
    frames->setCurrentIndex(before.onionFrames);
    auto* opacityRow = new QWidget(onion);
    auto* opacity = new QSlider(Qt::Horizontal, opacityRow);
    opacity->setRange(media::kMinOnionOpacity, media::kMaxOnionOpacity);
    opacity->setPageStep(10);
    opacity->setValue(before.onionOpacity);
    auto* percent = new QLabel(opacityRow);
    percent->setMinimumWidth(percent->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
    auto* opacityLayout = new QHBoxLayout(opacityRow);
    opacityLayout->setContentsMargins(0, 0, 0, 0);
    opacityLayout->addWidget(opacity, 1);
    opacityLayout->addWidget(percent);
    auto* onionForm = new QFormLayout(onion);
    onionForm->addRow(QStringLiteral("&Frames shown:"), frames);
    auto* opacityLabel = new QLabel(QStringLiteral("&Opacity:"), onion);
    opacityLabel->setBuddy(opacity);
    onionForm->addRow(opacityLabel, opacityRow);
    // Lines broken by hand: a wrapped label is cut short at large text scales.
    auto* onionNote = new QLabel(QStringLiteral("Recorded frames, fading with age, over the live picture.\n"
                                                "They are never part of the video."),
                                 onion);
    onionForm->addRow(onionNote);

    auto* picture = new QGroupBox(QStringLiteral("Picture"), &dialog);
    auto* mirror = new QCheckBox(QStringLiteral("&Mirror the picture (the video is not mirrored)"), picture);
    mirror->setChecked(before.mirror);
    (new QVBoxLayout(picture))->addWidget(mirror);

    auto* large = new QGroupBox(QStringLiteral("Large view"), &dialog);
    auto* showLarge = new QCheckBox(QStringLiteral("&Show the large view"), large);
    showLarge->setChecked(before.largeView);
    auto* loop = new QCheckBox(QStringLiteral("&Loop when playing the take"), large);
    loop->setChecked(before.loop);
    auto* largeNote = new QLabel(QStringLiteral("While a video is being recorded, the large view keeps its own\n"
                                                "controls: L flips between the live picture and the last frame,\n"
                                                "P plays the take so far, F11 fills the screen."),
                                 large);
    auto* largeLayout = new QVBoxLayout(large);
    largeLayout->addWidget(showLarge);
    largeLayout->addWidget(loop);
    largeLayout->addWidget(largeNote);

    dialog.content()->addWidget(onion);
    dialog.content()->addWidget(picture);
    dialog.content()->addWidget(large);

    auto apply = [&] {
        DisplaySettings settings = view.settings();
        settings.onionFrames = frames->currentIndex();
        settings.onionOpacity = opacity->value();
        settings.mirror = mirror->isChecked();
        settings.largeView = showLarge->isChecked();
        settings.loop = loop->isChecked();
        opacity->setEnabled(settings.onionFrames > 0);
        percent->setText(QStringLiteral("%1 %").arg(settings.onionOpacity));
        view.setSettings(settings);
        // The large view opens beside the dialog, which keeps the keyboard.
        dialog.raise();
        dialog.activateWindow();
    };
    QObject::connect(frames, &QComboBox::currentIndexChanged, &dialog, apply);
    QObject::connect(opacity, &QSlider::valueChanged, &dialog, apply);
    for (QCheckBox* box : {mirror, showLarge, loop}) QObject::connect(box, &QCheckBox::toggled, &dialog, apply);
    opacity->setEnabled(before.onionFrames > 0);
    percent->setText(QStringLiteral("%1 %").arg(before.onionOpacity));

    if (!dialog.run()) view.setSettings(before);
    return TRUE;
}

}  // namespace avicap32
