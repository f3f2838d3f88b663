#pragma once
// The main window's four-part status bar; parts end at fixed pixel edges, the last at the window edge.
#include <QtWidgets/QFrame>
#include <array>

class QLabel;

namespace tavrel {

class StatusBar : public QFrame {
    Q_OBJECT
  public:
    static constexpr int kPartCount = 4;
    // Right edges of the first three fields, in pixels.
    static constexpr std::array<int, 3> kPartRightEdges = {200, 430, 660};

    explicit StatusBar(QWidget* parent = nullptr);

    // Parts outside 0..3 are ignored.
    void setText(int part, const QString& text);
    QString text(int part) const;
    QLabel* part(int part) const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::array<QLabel*, kPartCount> parts_{};
};

}  // namespace tavrel
