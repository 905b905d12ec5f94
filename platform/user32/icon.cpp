#include "icon.h"

#include "winuser.h"
#include "kernel32_private.h"
#include "handle_table.h"
#include "paint.h"
#include "resource_formats.h"

#include <QPainter>

#include <map>
#include <memory>

namespace user32 {
namespace {

struct Icon {
    static constexpr HandleKind kHandleKind = HandleKind::Icon;
    QImage image;
    // Loaded from resources and handed to every caller alike: DestroyIcon leaves it.
    bool shared = false;
};

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
    auto icon = std::make_unique<Icon>();
    icon->image = image;
    return AddHandle<HICON>(std::move(icon));
}

QImage IconImage(HICON handle) {
    Icon* icon = LookUpHandle<Icon>(handle);
    return icon ? icon->image : QImage();
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
    LookUpHandle<Icon>(icon)->shared = true;
    loaded.emplace(key, icon);
    return icon;
}

}  // namespace user32

// LoadIconW: icons of the module's resources. The system's stock icons are not provided.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    return user32::LoadIconFromResources(instance ? instance : GetModuleHandleW(nullptr), name);
}

// DestroyIcon: frees an icon the caller made; a shared one stays for its other users.
BOOL DestroyIcon(HICON handle) {
    user32::Icon* icon = user32::LookUpHandle<user32::Icon>(handle);
    if (!icon) return FALSE;
    if (!icon->shared) user32::TakeHandle<user32::Icon>(handle);
    return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    QPainter* painter = user32::PainterFor(dc);
    QImage image = user32::IconImage(icon);
    if (!painter || image.isNull()) return FALSE;
    painter->drawImage(QPoint(x, y), image);
    return TRUE;
}
