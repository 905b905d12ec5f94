#include "winbase.h"

#include <QFileInfo>
#include <QString>

// The path is taken as the system's file names are (UTF-8), whatever the process's locale.
DWORD GetFileAttributesW(LPCWSTR path) {
    if (!path || !*path) return INVALID_FILE_ATTRIBUTES;
    QFileInfo info(QString::fromWCharArray(path));
    if (!info.exists()) return INVALID_FILE_ATTRIBUTES;
    if (info.isDir()) return FILE_ATTRIBUTE_DIRECTORY | (info.isWritable() ? 0 : FILE_ATTRIBUTE_READONLY);
    return info.isWritable() ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}
