#pragma once
// The timing diagram of an IO board's channels: one lane per input and output, time from left to
// right, now at the right edge, reaching back to the first state seen (five minutes at most). Paints what the
// core's history holds; holds nothing.
#include <QtWidgets/QWidget>
#include <functional>

#include "iocontrol/IoHistory.h"
#include "texts/UiTexts.h"

class QTimer;

namespace tavrel {

class IoHistoryView : public QWidget {
    Q_OBJECT
  public:
    // `nowMs` reads the clock the history's times come from.
    IoHistoryView(const IoHistory& history, std::function<long long()> nowMs, const UiTexts& texts,
                  QWidget* parent = nullptr);

    // Lanes painted by the last paint, inputs first.
    int lanesPainted() const { return lanesPainted_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void paintAxis(class QPainter& painter, const QRect& plot, long long span);

    const IoHistory& history_;
    std::function<long long()> nowMs_;
    QString emptyText_;
    QTimer* scroll_ = nullptr;
    int lanesPainted_ = 0;
};

}  // namespace tavrel
