#include "WindowFont.h"

#include <QtCore/QStringList>

namespace tavrel {

QFont windowFont(int pointSize) {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Sans Serif")});
    font.setPointSize(pointSize);
    return font;
}

}  // namespace tavrel
