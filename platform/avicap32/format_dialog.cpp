// The Video Format dialog: the picture format, size and streaming frame rate, from what the
// device offers (MJPEG first when it has it). The streaming rate is the device's; the video's
// own frame rate stays the program's.
#include "video_dialogs.h"

#include "capture_window.h"
#include "driver_dialog.h"
#include "stream_text.h"

#include "media/stills/still_frame.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace avicap32 {
namespace {

QString RateText(const media::FrameInterval& interval) {
    return FrameRateText(
        media::StreamFormat{media::PixelFormat::Rgb24, 0, 0, interval.numerator, interval.denominator});
}

class FormatChoice {
public:
    FormatChoice(CaptureWindow& window, QWidget* parent, QFormLayout* form)
        : m_formats(window.device().live().offeredFormats()), m_current(window.device().live().format()) {
        m_formatList = new QComboBox(parent);
        m_formatList->setObjectName(QStringLiteral("formatList"));
        m_sizeList = new QComboBox(parent);
        m_sizeList->setObjectName(QStringLiteral("sizeList"));
        m_rateList = new QComboBox(parent);
        m_rateList->setObjectName(QStringLiteral("rateList"));
        for (const media::OfferedFormat& format : m_formats) m_formatList->addItem(PixelFormatName(format.format));
        addRow(form, QStringLiteral("&Format:"), m_formatList);
        addRow(form, QStringLiteral("Picture &size:"), m_sizeList);
        addRow(form, QStringLiteral("Device frame &rate:"), m_rateList);
        for (size_t i = 0; i < m_formats.size(); ++i) {
            if (m_formats[i].format == m_current.format) m_formatList->setCurrentIndex(int(i));
        }
        fillSizes();
        m_formatList->setFocus();
        QObject::connect(m_formatList, &QComboBox::currentIndexChanged, [this] { fillSizes(); });
        QObject::connect(m_sizeList, &QComboBox::currentIndexChanged, [this] { fillRates(); });
    }

    // What the user chose; empty parts where the device offers no choice.
    media::StreamRequest chosen() const {
        media::StreamRequest request;
        const media::OfferedFormat* format = currentFormat();
        if (!format) return request;
        request.format = format->format;
        const media::OfferedSize* size = currentSize();
        if (!size) return request;
        request.size = size->size;
        const int rate = m_rateList->currentIndex();
        if (rate >= 0 && size_t(rate) < size->intervals.size()) request.interval = size->intervals[size_t(rate)];
        return request;
    }

private:
    static void addRow(QFormLayout* form, const QString& text, QComboBox* field) {
        auto* label = new QLabel(text);
        label->setBuddy(field);
        form->addRow(label, field);
    }

    const media::OfferedFormat* currentFormat() const {
        const int i = m_formatList->currentIndex();
        return i >= 0 && size_t(i) < m_formats.size() ? &m_formats[size_t(i)] : nullptr;
    }

    const media::OfferedSize* currentSize() const {
        const media::OfferedFormat* format = currentFormat();
        const int i = m_sizeList->currentIndex();
        return format && i >= 0 && size_t(i) < format->sizes.size() ? &format->sizes[size_t(i)] : nullptr;
    }

    // The size shown stays when the new format has it too; else the largest one.
    void fillSizes() {
        const media::FrameSize keep =
            currentSize() ? currentSize()->size : media::FrameSize{m_current.width, m_current.height};
        m_sizeList->clear();
        const media::OfferedFormat* format = currentFormat();
        if (format) {
            for (const media::OfferedSize& size : format->sizes) m_sizeList->addItem(SizeText(size.size));
            int chosen = m_sizeList->count() - 1;
            for (size_t i = 0; i < format->sizes.size(); ++i) {
                if (format->sizes[i].size == keep) chosen = int(i);
            }
            m_sizeList->setCurrentIndex(chosen);
        }
        fillRates();
    }

    // The rate shown stays when the size has it too; else the one nearest 30 frames per second.
    void fillRates() {
        m_rateList->clear();
        const media::OfferedSize* size = currentSize();
        if (!size || size->intervals.empty()) {
            m_rateList->addItem(QStringLiteral("As the device sets it"));
            m_rateList->setEnabled(false);
            return;
        }
        m_rateList->setEnabled(true);
        const media::FrameInterval keep{m_current.frameIntervalNumerator, m_current.frameIntervalDenominator};
        int chosen = -1;
        double nearest = 1e9;
        for (size_t i = 0; i < size->intervals.size(); ++i) {
            const media::FrameInterval& interval = size->intervals[i];
            m_rateList->addItem(RateText(interval));
            const double rate = double(interval.denominator) / interval.numerator;
            if (interval == keep) {
                chosen = int(i);
                nearest = -1;
            } else if (std::abs(rate - 30) < nearest) {
                chosen = int(i);
                nearest = std::abs(rate - 30);
            }
        }
        m_rateList->setCurrentIndex(chosen);
    }

    const std::vector<media::OfferedFormat> m_formats;
    const media::StreamFormat m_current;
    QComboBox* m_formatList = nullptr;
    QComboBox* m_sizeList = nullptr;
    QComboBox* m_rateList = nullptr;
};

// How wide a stills camera's frames go into the video: as its live view, or one of the widths
// for a finished film, each with the still's own proportions. A recording keeps its width.
class TakeWidthChoice {
public:
    TakeWidthChoice(CaptureWindow& window, QWidget* parent, QFormLayout* form) {
        m_list = new QComboBox(parent);
        m_list->setObjectName(QStringLiteral("takeWidthList"));
        const media::StreamFormat live = window.device().live().format();
        m_list->addItem(QStringLiteral("As the live view (%1)").arg(SizeText({live.width, live.height})));
        for (const int width : media::kStillsTakeWidths) {
            m_list->addItem(QStringLiteral("%1 wide, as the still in proportion").arg(width), width);
        }
        const std::optional<int> chosen = window.device().stillsTakeWidth();
        if (chosen) m_list->setCurrentIndex(std::max(0, m_list->findData(*chosen)));
        m_list->setEnabled(!window.recording());
        auto* label = new QLabel(QStringLiteral("Frames in the &video:"));
        label->setBuddy(m_list);
        form->addRow(label, m_list);
    }

    std::optional<int> chosen() const {
        const QVariant width = m_list->currentData();
        return width.isValid() ? std::optional<int>(width.toInt()) : std::nullopt;
    }

private:
    QComboBox* m_list = nullptr;
};

}  // namespace

// OK with another choice restarts the stream with it; the dialog stays open and says why when
// that cannot be (a recording is open, the device refuses).
BOOL ShowVideoFormatDialog(CaptureWindow& window) {
    DriverDialog dialog(window, QStringLiteral("Video Format"), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* form = new QFormLayout;
    FormatChoice choice(window, &dialog, form);
    std::optional<TakeWidthChoice> takeWidth;
    if (window.device().stillsCamera()) takeWidth.emplace(window, &dialog, form);
    dialog.content()->addLayout(form);
    auto* note = new QLabel(QStringLiteral("The video's own frame rate is set in the main window."), &dialog);
    note->setWordWrap(true);
    dialog.content()->addWidget(note);
    auto* message = new QLabel(&dialog);
    message->setObjectName(QStringLiteral("message"));
    message->setWordWrap(true);
    if (window.recording()) {
        message->setText(
            QStringLiteral("A video is being recorded: its picture format cannot change until it is "
                           "stopped and saved."));
    }
    dialog.content()->addWidget(message);

    dialog.setConfirm([&] {
        media::Error error = window.device().setStream(choice.chosen());
        if (error) {
            message->setText(QString::fromStdString(error.message));
            return false;
        }
        if (takeWidth && !window.recording()) window.device().setStillsTakeWidth(takeWidth->chosen());
        return true;
    });
    dialog.run();
    return TRUE;
}

}  // namespace avicap32
