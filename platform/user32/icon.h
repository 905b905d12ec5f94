// Icons: HICON handles for pictures loaded from the module's icon resources.
#pragma once

#include "windef.h"

#include <QIcon>
#include <QImage>

namespace user32 {

struct DecodedImage;

QImage ToQImage(const DecodedImage& decoded);
// LoadIconW for a module: the icon group's image nearest the system icon size.
HICON LoadIconFromResources(HMODULE module, LPCWSTR name);

// The picture behind an icon handle; a null image for an unknown handle.
QImage IconImage(HICON icon);
QIcon IconToQIcon(HICON icon);
// Makes a handle for a picture (used for icons that do not come from resources).
HICON CreateIconFromImage(const QImage& image);

}  // namespace user32
