// The Video Format dialog: the picture sizes the camera offers in the format it streams.
#include "driver_dialogs.h"

#include "capture_window.h"
#include "driver_dialog.h"
#include "stream_text.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <vector>

namespace avicap32 {

// OK with another size restarts the stream at it; the dialog stays open and says why when that
// cannot be (a recording is open, the camera refuses).
BOOL ShowVideoFormatDialog(CaptureWindow& window) {
    DriverDialog dialog(window, QStringLiteral("Video Format"), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    const media::StreamFormat format = window.live().format();
    const media::FrameSize current{format.width, format.height};
    const std::vector<media::FrameSize> sizes = window.live().offeredSizes();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Format:"), new QLabel(PixelFormatName(format.format), &dialog));
    auto* sizeList = new QComboBox(&dialog);
    for (size_t i = 0; i < sizes.size(); ++i) {
        sizeList->addItem(SizeText(sizes[i]), static_cast<int>(i));
        if (sizes[i] == current) sizeList->setCurrentIndex(static_cast<int>(i));
    }
    form->addRow(QStringLiteral("Picture size:"), sizeList);
    dialog.content()->addLayout(form);
    auto* message = new QLabel(&dialog);
    message->setWordWrap(true);
    if (window.recording()) {
        message->setText(QStringLiteral("A video is being recorded: its picture size cannot change until it is "
                                        "stopped and saved."));
    }
    dialog.content()->addWidget(message);

    dialog.setConfirm([&] {
        if (sizeList->currentIndex() < 0) return true;
        const media::FrameSize chosen = sizes[sizeList->currentData().toInt()];
        media::Error error = window.setPictureSize(chosen);
        if (error) message->setText(QString::fromStdString(error.message));
        return !error;
    });
    dialog.run();
    return TRUE;
}

}  // namespace avicap32
