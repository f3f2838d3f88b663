#pragma once
// The application icon, drawn rather than shipped as a bitmap.
#include <QtGui/QIcon>

namespace tavrel {

QIcon appIcon();

}  // namespace tavrel
