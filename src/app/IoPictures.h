#pragma once
// The IO window's pictures, drawn rather than loaded: switch contacts for the indicators and the
// lamp of the Connect button.
#include <QtGui/QPixmap>

#include "iocontrol/IoBoardState.h"

namespace tavrel {

inline constexpr int kContactWidthPx = 60;
inline constexpr int kContactHeightPx = 41;

// Grey open contact (unknown), green closed contact (on), red open contact (off).
QPixmap contactPicture(Indicator state);
// A dark lamp (63 x 25) while disconnected, a lit red one (47 x 25) while connected.
QPixmap lampPicture(bool lit);

}  // namespace tavrel
