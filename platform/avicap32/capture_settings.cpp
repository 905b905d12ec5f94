#include "capture_settings.h"

#include "kernel32_private.h"

#include "media/stills/still_frame.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <utility>
#include <vector>

namespace avicap32 {
namespace {

const QString kGeneral = QStringLiteral("General");
const QString kLastDevice = QStringLiteral("lastDevice");

// A device key is any text (a card name may hold '/'): QSettings would read a '/' as a nested
// group, so it is escaped, along with the escape character itself.
QString GroupOf(const std::string& device) {
    if (device.empty()) return kGeneral;
    QString group = QString::fromStdString(device);
    group.replace(QLatin1Char('%'), QStringLiteral("%25")).replace(QLatin1Char('/'), QStringLiteral("%2F"));
    return QStringLiteral("device ") + group;
}

QString PathOf(const std::string& device, const QString& name) { return GroupOf(device) + QLatin1Char('/') + name; }

QString DefaultFile() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty()) folder = QDir::home().filePath(QStringLiteral(".config"));
    // Under the registered application's own name, as the program's users know it.
    QString application = QString::fromStdWString(kernel32::ModuleName());
    if (application.isEmpty()) application = QStringLiteral("avicap32");
    return QDir(QDir(folder).filePath(application)).filePath(QStringLiteral("capture.conf"));
}

// Names stay readable in the file, and a name this version does not know reads as unset.
struct FormatName {
    media::PixelFormat format;
    const char* name;
};
constexpr FormatName kFormatNames[] = {
    {media::PixelFormat::Mjpeg, "MJPEG"}, {media::PixelFormat::Yuyv, "YUYV"}, {media::PixelFormat::Rgb24, "RGB24"}};

std::optional<int> PositiveInt(const QVariant& value) {
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok && number > 0 ? std::optional<int>(number) : std::nullopt;
}

int IntOr(const QVariant& value, int fallback) {
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : fallback;
}

bool BoolOr(const QVariant& value, bool fallback) { return value.isValid() ? value.toBool() : fallback; }

}  // namespace

CaptureSettings::CaptureSettings() : CaptureSettings(DefaultFile()) {}

CaptureSettings::CaptureSettings(const QString& file)
    : m_store(std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

CaptureSettings::~CaptureSettings() = default;

QString CaptureSettings::fileName() const { return m_store->fileName(); }

std::string CaptureSettings::lastDevice() const { return value({}, kLastDevice).toString().toStdString(); }

void CaptureSettings::setLastDevice(const std::string& device) {
    setValue({}, kLastDevice, QString::fromStdString(device));
}

QVariant CaptureSettings::value(const std::string& device, const QString& name) const {
    return m_store->value(PathOf(device, name));
}

void CaptureSettings::setValue(const std::string& device, const QString& name, const QVariant& value) {
    m_store->setValue(PathOf(device, name), value);
    m_store->sync();
}

void CaptureSettings::adopt(const std::string& device, const std::string& earlier) {
    m_store->beginGroup(GroupOf(device));
    const bool kept = !m_store->allKeys().isEmpty();
    m_store->endGroup();
    if (kept) return;
    m_store->beginGroup(GroupOf(earlier));
    const QStringList names = m_store->allKeys();
    m_store->endGroup();
    for (const QString& name : names) m_store->setValue(PathOf(device, name), value(earlier, name));
    m_store->sync();
}

// Stored as "id=value" entries, ids in hexadecimal as the kernel's headers write them.
media::ControlMemory CaptureSettings::controls(const std::string& device) const {
    media::ControlMemory memory;
    for (const QString& entry : value(device, QStringLiteral("controls")).toStringList()) {
        const QStringList parts = entry.split(QLatin1Char('='));
        if (parts.size() != 2) continue;
        bool idOk = false, valueOk = false;
        const uint id = parts[0].toUInt(&idOk, 16);
        const int number = parts[1].toInt(&valueOk);
        if (idOk && valueOk) memory.remember(id, number);
    }
    return memory;
}

void CaptureSettings::setControls(const std::string& device, const media::ControlMemory& controls) {
    QStringList entries;
    for (const media::ControlValue& v : controls.values()) {
        entries << QStringLiteral("%1=%2").arg(v.id, 8, 16, QLatin1Char('0')).arg(v.value);
    }
    setValue(device, QStringLiteral("controls"), entries);
}

media::StillsSettingsMemory CaptureSettings::stillsSettings(const std::string& device) const {
    media::StillsSettingsMemory memory;
    for (const QString& entry : value(device, QStringLiteral("stillsSettings")).toStringList()) {
        // A value may itself hold '=': the name never does.
        const qsizetype split = entry.indexOf(QLatin1Char('='));
        if (split > 0) memory.remember(entry.left(split).toStdString(), entry.mid(split + 1).toStdString());
    }
    return memory;
}

void CaptureSettings::setStillsSettings(const std::string& device, const media::StillsSettingsMemory& settings) {
    QStringList entries;
    for (const auto& [name, setting] : settings.values()) {
        entries << QString::fromStdString(name) + QLatin1Char('=') + QString::fromStdString(setting);
    }
    setValue(device, QStringLiteral("stillsSettings"), entries);
}

std::optional<media::FrameSize> CaptureSettings::pictureSize(const std::string& device) const {
    const QStringList parts = value(device, QStringLiteral("pictureSize")).toString().split(QLatin1Char('x'));
    if (parts.size() != 2) return std::nullopt;
    const auto width = PositiveInt(parts[0]), height = PositiveInt(parts[1]);
    if (!width || !height) return std::nullopt;
    return media::FrameSize{*width, *height};
}

void CaptureSettings::setPictureSize(const std::string& device, media::FrameSize size) {
    setValue(device, QStringLiteral("pictureSize"), QStringLiteral("%1x%2").arg(size.width).arg(size.height));
}

std::optional<media::PixelFormat> CaptureSettings::pixelFormat(const std::string& device) const {
    const QString name = value(device, QStringLiteral("pixelFormat")).toString();
    for (const FormatName& known : kFormatNames) {
        if (name == QLatin1String(known.name)) return known.format;
    }
    return std::nullopt;
}

void CaptureSettings::setPixelFormat(const std::string& device, media::PixelFormat format) {
    for (const FormatName& known : kFormatNames) {
        if (known.format == format) setValue(device, QStringLiteral("pixelFormat"), QLatin1String(known.name));
    }
}

std::optional<media::FrameInterval> CaptureSettings::frameInterval(const std::string& device) const {
    const QStringList parts = value(device, QStringLiteral("frameInterval")).toString().split(QLatin1Char('/'));
    if (parts.size() != 2) return std::nullopt;
    const auto numerator = PositiveInt(parts[0]), denominator = PositiveInt(parts[1]);
    if (!numerator || !denominator) return std::nullopt;
    return media::FrameInterval{uint32_t(*numerator), uint32_t(*denominator)};
}

void CaptureSettings::setFrameInterval(const std::string& device, media::FrameInterval interval) {
    setValue(device, QStringLiteral("frameInterval"),
             QStringLiteral("%1/%2").arg(interval.numerator).arg(interval.denominator));
}

std::optional<media::AviVideoCodec> CaptureSettings::codec(const std::string& device) const {
    const QString name = value(device, QStringLiteral("compression")).toString();
    if (name == QLatin1String("MJPEG")) return media::AviVideoCodec::Mjpeg;
    if (name == QLatin1String("uncompressed")) return media::AviVideoCodec::Dib;
    return std::nullopt;
}

void CaptureSettings::setCodec(const std::string& device, media::AviVideoCodec codec) {
    setValue(device, QStringLiteral("compression"),
             codec == media::AviVideoCodec::Mjpeg ? QStringLiteral("MJPEG") : QStringLiteral("uncompressed"));
}

std::optional<int> CaptureSettings::jpegQuality(const std::string& device) const {
    return PositiveInt(value(device, QStringLiteral("jpegQuality")));
}

void CaptureSettings::setJpegQuality(const std::string& device, int quality) {
    setValue(device, QStringLiteral("jpegQuality"), quality);
}

std::optional<int> CaptureSettings::stillsTakeWidth(const std::string& device) const {
    const std::optional<int> width = PositiveInt(value(device, QStringLiteral("stillsTakeWidth")));
    // Only a width offered: another, edited into the file, could make frames of any size.
    if (!width || std::ranges::find(media::kStillsTakeWidths, *width) == std::end(media::kStillsTakeWidths))
        return std::nullopt;
    return width;
}

// The live view's width is kept as 0, so that it too overrides what was chosen before.
void CaptureSettings::setStillsTakeWidth(const std::string& device, std::optional<int> width) {
    setValue(device, QStringLiteral("stillsTakeWidth"), width.value_or(0));
}

namespace {

// Each guide with the key it is stored under.
std::vector<std::pair<QString, bool*>> Guides(media::GuideSet& guides) {
    return {{QStringLiteral("display/guides/thirds"), &guides.thirds},
            {QStringLiteral("display/guides/actionSafe"), &guides.actionSafe},
            {QStringLiteral("display/guides/titleSafe"), &guides.titleSafe},
            {QStringLiteral("display/guides/centreCross"), &guides.centreCross},
            {QStringLiteral("display/guides/mask239"), &guides.mask239},
            {QStringLiteral("display/guides/mask185"), &guides.mask185},
            {QStringLiteral("display/guides/mask43"), &guides.mask43}};
}

}  // namespace

DisplaySettings CaptureSettings::display(const std::string& device) const {
    const DisplaySettings defaults;
    DisplaySettings settings;
    settings.onionFrames = IntOr(value(device, QStringLiteral("display/onionFrames")), defaults.onionFrames);
    settings.onionOpacity = IntOr(value(device, QStringLiteral("display/onionOpacity")), defaults.onionOpacity);
    settings.mirror = BoolOr(value(device, QStringLiteral("display/mirror")), defaults.mirror);
    settings.loop = BoolOr(value(device, QStringLiteral("display/loop")), defaults.loop);
    settings.shortPlayFrames =
        IntOr(value(device, QStringLiteral("display/shortPlayFrames")), defaults.shortPlayFrames);
    for (auto [key, guide] : Guides(settings.guides)) *guide = BoolOr(value(device, key), false);
    // Whether the large view is open belongs to the program's windows, not to a camera.
    settings.largeView = BoolOr(value({}, QStringLiteral("display/largeView")), defaults.largeView);
    return settings;
}

void CaptureSettings::setDisplay(const std::string& device, const DisplaySettings& settings) {
    setValue(device, QStringLiteral("display/onionFrames"), settings.onionFrames);
    setValue(device, QStringLiteral("display/onionOpacity"), settings.onionOpacity);
    setValue(device, QStringLiteral("display/mirror"), settings.mirror);
    setValue(device, QStringLiteral("display/loop"), settings.loop);
    setValue(device, QStringLiteral("display/shortPlayFrames"), settings.shortPlayFrames);
    DisplaySettings copy = settings;
    for (auto [key, guide] : Guides(copy.guides)) setValue(device, key, *guide);
    setValue({}, QStringLiteral("display/largeView"), settings.largeView);
}

}  // namespace avicap32
