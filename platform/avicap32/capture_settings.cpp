#include "capture_settings.h"

#include "kernel32_private.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace avicap32 {
namespace {

const QString kGeneral = QStringLiteral("General");
const QString kLastDevice = QStringLiteral("lastDevice");

// A device key is any text (a card name may hold '/'): QSettings would read a '/' as a nested
// group, so it is escaped, along with the escape character itself.
QString GroupOf(const QString& deviceKey) {
    if (deviceKey.isEmpty()) return kGeneral;
    QString group = deviceKey;
    group.replace(QLatin1Char('%'), QStringLiteral("%25")).replace(QLatin1Char('/'), QStringLiteral("%2F"));
    return QStringLiteral("device ") + group;
}

QString PathOf(const QString& deviceKey, const QString& name) { return GroupOf(deviceKey) + QLatin1Char('/') + name; }

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

}  // namespace

CaptureSettings::CaptureSettings() : CaptureSettings(DefaultFile()) {}

CaptureSettings::CaptureSettings(const QString& file)
    : m_store(std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

CaptureSettings::~CaptureSettings() = default;

QString CaptureSettings::fileName() const { return m_store->fileName(); }

QString CaptureSettings::lastDevice() const { return value(QString(), kLastDevice).toString(); }

void CaptureSettings::setLastDevice(const QString& deviceKey) { setValue(QString(), kLastDevice, deviceKey); }

QVariant CaptureSettings::value(const QString& deviceKey, const QString& name) const {
    return m_store->value(PathOf(deviceKey, name));
}

void CaptureSettings::setValue(const QString& deviceKey, const QString& name, const QVariant& value) {
    m_store->setValue(PathOf(deviceKey, name), value);
    m_store->sync();
}

void CaptureSettings::remove(const QString& deviceKey, const QString& name) {
    m_store->remove(PathOf(deviceKey, name));
    m_store->sync();
}

// Stored as "id=value" entries, ids in hexadecimal as the kernel's headers write them.
media::ControlMemory CaptureSettings::controls(const QString& deviceKey) const {
    media::ControlMemory memory;
    for (const QString& entry : value(deviceKey, QStringLiteral("controls")).toStringList()) {
        const QStringList parts = entry.split(QLatin1Char('='));
        if (parts.size() != 2) continue;
        bool idOk = false, valueOk = false;
        const uint id = parts[0].toUInt(&idOk, 16);
        const int number = parts[1].toInt(&valueOk);
        if (idOk && valueOk) memory.remember(id, number);
    }
    return memory;
}

void CaptureSettings::setControls(const QString& deviceKey, const media::ControlMemory& controls) {
    QStringList entries;
    for (const media::ControlValue& v : controls.values()) {
        entries << QStringLiteral("%1=%2").arg(v.id, 8, 16, QLatin1Char('0')).arg(v.value);
    }
    setValue(deviceKey, QStringLiteral("controls"), entries);
}

std::optional<media::FrameSize> CaptureSettings::pictureSize(const QString& deviceKey) const {
    const QStringList parts = value(deviceKey, QStringLiteral("pictureSize")).toString().split(QLatin1Char('x'));
    if (parts.size() != 2) return std::nullopt;
    const auto width = PositiveInt(parts[0]), height = PositiveInt(parts[1]);
    if (!width || !height) return std::nullopt;
    return media::FrameSize{*width, *height};
}

void CaptureSettings::setPictureSize(const QString& deviceKey, media::FrameSize size) {
    setValue(deviceKey, QStringLiteral("pictureSize"), QStringLiteral("%1x%2").arg(size.width).arg(size.height));
}

std::optional<media::PixelFormat> CaptureSettings::pixelFormat(const QString& deviceKey) const {
    const QString name = value(deviceKey, QStringLiteral("pixelFormat")).toString();
    for (const FormatName& known : kFormatNames) {
        if (name == QLatin1String(known.name)) return known.format;
    }
    return std::nullopt;
}

void CaptureSettings::setPixelFormat(const QString& deviceKey, media::PixelFormat format) {
    for (const FormatName& known : kFormatNames) {
        if (known.format == format) setValue(deviceKey, QStringLiteral("pixelFormat"), QLatin1String(known.name));
    }
}

std::optional<media::FrameInterval> CaptureSettings::frameInterval(const QString& deviceKey) const {
    const QStringList parts = value(deviceKey, QStringLiteral("frameInterval")).toString().split(QLatin1Char('/'));
    if (parts.size() != 2) return std::nullopt;
    const auto numerator = PositiveInt(parts[0]), denominator = PositiveInt(parts[1]);
    if (!numerator || !denominator) return std::nullopt;
    return media::FrameInterval{uint32_t(*numerator), uint32_t(*denominator)};
}

void CaptureSettings::setFrameInterval(const QString& deviceKey, media::FrameInterval interval) {
    setValue(deviceKey, QStringLiteral("frameInterval"),
             QStringLiteral("%1/%2").arg(interval.numerator).arg(interval.denominator));
}

std::optional<media::AviVideoCodec> CaptureSettings::codec(const QString& deviceKey) const {
    const QString name = value(deviceKey, QStringLiteral("compression")).toString();
    if (name == QLatin1String("MJPEG")) return media::AviVideoCodec::Mjpeg;
    if (name == QLatin1String("uncompressed")) return media::AviVideoCodec::Dib;
    return std::nullopt;
}

void CaptureSettings::setCodec(const QString& deviceKey, media::AviVideoCodec codec) {
    setValue(deviceKey, QStringLiteral("compression"),
             codec == media::AviVideoCodec::Mjpeg ? QStringLiteral("MJPEG") : QStringLiteral("uncompressed"));
}

std::optional<int> CaptureSettings::jpegQuality(const QString& deviceKey) const {
    return PositiveInt(value(deviceKey, QStringLiteral("jpegQuality")));
}

void CaptureSettings::setJpegQuality(const QString& deviceKey, int quality) {
    setValue(deviceKey, QStringLiteral("jpegQuality"), quality);
}

}  // namespace avicap32
