#include "DialogUnits.h"

#include <QtGui/QFontMetrics>

namespace tavrel {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int extent =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseWidth_ = qMax(1, (extent / 26 + 1) / 2);
    baseHeight_ = qMax(1, metrics.height());
}

}  // namespace tavrel
