#pragma once
// The font of the program's windows: a Song face where the system has one, else a CJK sans face,
// so that Chinese renders in either language.
#include <QtCore/QSize>
#include <QtGui/QFont>

namespace tavrel {

QFont windowFont(int pointSize);

// The window font at `pointSize`, or a smaller one, down to a floor that stays readable, until a
// page of `units` dialog units with `bars` text-high bars above or below it fits into `room`. The
// layout is drawn in dialog units, so it shrinks with the font and stays as drawn; what is still too
// large for the floor scrolls.
QFont fittedWindowFont(int pointSize, QSize units, int bars, QSize room);

}  // namespace tavrel
