#include "WindowFont.h"

#include <QtCore/QStringList>
#include <QtGui/QFontInfo>
#include <QtGui/QFontMetrics>

#include "DialogUnits.h"

namespace tavrel {

QFont windowFont(int pointSize) {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Sans Serif")});
    font.setPointSize(pointSize);
    return font;
}

namespace {
// About 8 points: what dense dialogs have long used.
constexpr int kSmallestPixels = 11;
// A menu or status bar: a line of text and its margins.
constexpr int kBarMargins = 10;

bool fits(const QFont& font, QSize units, int bars, QSize room) {
    const DialogUnits du(font);
    const int barHeight = QFontMetrics(font).height() + kBarMargins;
    return du.x(units.width()) <= room.width() && du.y(units.height()) + bars * barHeight <= room.height();
}
}  // namespace

QFont fittedWindowFont(int pointSize, QSize units, int bars, QSize room) {
    QFont font = windowFont(pointSize);
    if (fits(font, units, bars, room)) return font;
    // Pixel steps: a point is too coarse a step at these sizes.
    for (int pixels = QFontInfo(font).pixelSize(); pixels > kSmallestPixels; --pixels) {
        font.setPixelSize(pixels - 1);
        if (fits(font, units, bars, room)) return font;
    }
    return font;
}

}  // namespace tavrel
