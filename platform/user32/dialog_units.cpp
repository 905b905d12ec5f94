#include "dialog_units.h"

#include <QFontMetrics>

namespace user32 {
namespace {

int MulDiv(int value, int numerator, int denominator) {
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

}  // namespace

DialogBaseUnits DialogBaseUnits::forFont(const QFont& font) {
    QFontMetrics metrics(font);
    // The platform's own measure: the width of the 52 letters, averaged and rounded.
    int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogBaseUnits{(letters / 26 + 1) / 2, metrics.height()};
}

QRect DialogBaseUnits::toPixels(int left, int top, int cx, int cy) const {
    return QRect(MulDiv(left, x, 4), MulDiv(top, y, 8), MulDiv(cx, x, 4), MulDiv(cy, y, 8));
}

RECT DialogBaseUnits::mapEdges(const RECT& units) const {
    return RECT{MulDiv(units.left, x, 4), MulDiv(units.top, y, 8), MulDiv(units.right, x, 4),
                MulDiv(units.bottom, y, 8)};
}

QFont DialogFont(const std::wstring& typeface, int pointSize) {
    QString family = QString::fromStdWString(typeface);
    if (family.isEmpty() || family.startsWith(QLatin1String("MS Shell Dlg"), Qt::CaseInsensitive) ||
        family.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0 ||
        family.compare(QLatin1String("Tahoma"), Qt::CaseInsensitive) == 0) {
        family = QStringLiteral("DejaVu Sans");
    }
    QFont font(family);
    font.setPointSize(pointSize > 0 ? pointSize : 8);
    return font;
}

}  // namespace user32
