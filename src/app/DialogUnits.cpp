#include "DialogUnits.h"

#include <QtGui/QFontInfo>
#include <QtGui/QFontMetrics>

namespace tavrel {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int extent =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseWidth_ = qMax(1, (extent / 26 + 1) / 2);
    // The Song face's height is its em; the CJK faces found elsewhere add nearly half an em of
    // leading, which would make every row taller than drawn. A quarter of an em is kept, so that
    // their glyphs still show whole in a label one unit-line high.
    const int em = QFontInfo(font).pixelSize();
    baseHeight_ = qMax(1, qMin(metrics.height(), (em * 5 + 2) / 4));
}

}  // namespace tavrel
