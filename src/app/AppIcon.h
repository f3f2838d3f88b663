#pragma once
// The application icon, drawn rather than shipped as a bitmap.
#include <QtGui/QIcon>

namespace tavrel {

QIcon appIcon();
// One size of the same picture, for files outside the program (the desktop icon).
QPixmap appIconPixmap(int size);

}  // namespace tavrel
