#include "icon.h"

#include "winuser.h"
#include "kernel32/resource.h"
#include "paint.h"
#include "resource_formats.h"

#include <QPainter>

#include <map>
#include <vector>

namespace user32 {
namespace {

std::vector<QImage>& Icons() {
    static std::vector<QImage> icons;
    return icons;
}

}  // namespace

QImage ToQImage(const DecodedImage& decoded) {
    QImage image(decoded.width, decoded.height, QImage::Format_ARGB32);
    for (int y = 0; y < decoded.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < decoded.width; ++x) row[x] = decoded.pixels[static_cast<size_t>(y) * decoded.width + x];
    }
    return image;
}

HICON CreateIconFromImage(const QImage& image) {
    Icons().push_back(image);
    return reinterpret_cast<HICON>(static_cast<uintptr_t>(Icons().size()) * 4 + 0x20000);
}

QImage IconImage(HICON icon) {
    auto index = (reinterpret_cast<uintptr_t>(icon) - 0x20000) / 4;
    if (reinterpret_cast<uintptr_t>(icon) <= 0x20000 || index > Icons().size()) return {};
    return Icons()[index - 1];
}

QIcon IconToQIcon(HICON icon) {
    QImage image = IconImage(icon);
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

// The same resource always yields the same handle, as shared icons do on the platform.
HICON LoadIconFromResources(HMODULE module, LPCWSTR name) {
    static std::map<std::wstring, HICON> loaded;
    std::wstring key = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<uintptr_t>(name)) : name;
    if (auto found = loaded.find(key); found != loaded.end()) return found->second;

    auto group = kernel32::ResourceBytes(module, RT_GROUP_ICON, name);
    if (group.empty()) return nullptr;
    WORD imageId = LookupIconIdFromDirectory(group, GetSystemMetrics(SM_CXICON));
    if (imageId == 0) return nullptr;
    auto decoded = DecodeIconImage(kernel32::ResourceBytes(module, RT_ICON, MAKEINTRESOURCEW(imageId)));
    if (!decoded) return nullptr;
    HICON icon = CreateIconFromImage(ToQImage(*decoded));
    loaded.emplace(key, icon);
    return icon;
}

}  // namespace user32

// LoadIconW: icons of the module's resources. The system's stock icons are not provided.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    return user32::LoadIconFromResources(instance ? instance : GetModuleHandleW(nullptr), name);
}

// DrawIcon
BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    QPainter* painter = user32::PainterFor(dc);
    QImage image = user32::IconImage(icon);
    if (!painter || image.isNull()) return FALSE;
    painter->drawImage(QPoint(x, y), image);
    return TRUE;
}
