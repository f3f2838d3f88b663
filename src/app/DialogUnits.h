#pragma once
// Dialog units: the window's layout is written in them, so it scales with the window font.
#include <QtCore/QRect>
#include <QtGui/QFont>

namespace tavrel {

// Converts dialog units to pixels the way classic dialog templates do: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height (at
// most 1.25 em: see the constructor).
// The average width is taken over the 52 Latin letters ((extent / 26 + 1) / 2), not the font's own
// average, which CJK fonts set to a full em and would make the window twice as wide.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const { return (units * baseWidth_ + 2) / 4; }
    int y(int units) const { return (units * baseHeight_ + 4) / 8; }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }
    int baseWidth() const { return baseWidth_; }
    int baseHeight() const { return baseHeight_; }

  private:
    int baseWidth_ = 8;
    int baseHeight_ = 16;
};

}  // namespace tavrel
