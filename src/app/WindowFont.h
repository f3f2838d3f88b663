#pragma once
// The font of the program's windows: a Song face where the system has one, else a CJK sans face,
// so that Chinese renders in either language.
#include <QtGui/QFont>

namespace tavrel {

QFont windowFont(int pointSize);

}  // namespace tavrel
