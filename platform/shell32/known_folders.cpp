#include "shell32_private.h"

#include <QDir>
#include <QStandardPaths>

namespace shell32 {

std::wstring VideosFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    return folder.toStdWString();
}

}  // namespace shell32
