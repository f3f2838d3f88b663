#include "IoHistoryView.h"

#include <QtCore/QTimer>
#include <QtGui/QPainter>
#include <array>

#include "QtText.h"
#include "texts/FixedTexts.h"

namespace tavrel {

namespace {
// The diagram moves on this often even when nothing changes.
constexpr int kScrollMs = 250;
constexpr int kLabelWidthPx = 36;
constexpr int kAxisHeightPx = 18;
constexpr int kMarginPx = 6;
constexpr int kMinLaneHeightPx = 12;
constexpr std::array<long long, 8> kTickStepsMs{1000, 2000, 5000, 10000, 15000, 30000, 60000, 120000};
constexpr long long kMaxTicks = 10;
// A board connected a moment ago is drawn over this much, not squeezed into the last pixels.
constexpr long long kMinimumSpanMs = 10 * 1000;
constexpr int kMsPerSecond = 1000;
constexpr int kSecondsPerMinute = 60;

const QColor kInputColour(0, 150, 60);
const QColor kOutputColour(200, 60, 30);
const QColor kUnknownColour(170, 170, 170);
}  // namespace

IoHistoryView::IoHistoryView(const IoHistory& history, std::function<long long()> nowMs, const UiTexts& texts,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), history_(history), nowMs_(std::move(nowMs)), scroll_(new QTimer(this)) {
    setObjectName(QStringLiteral("ioHistoryView"));
    setWindowTitle(qs(texts.ioHistoryTitle));
    emptyText_ = qs(texts.ioHistoryEmpty);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    resize(720, 420);
    connect(scroll_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void IoHistoryView::showEvent(QShowEvent* event) {
    scroll_->start(kScrollMs);
    QWidget::showEvent(event);
}

void IoHistoryView::hideEvent(QHideEvent* event) {
    scroll_->stop();
    QWidget::hideEvent(event);
}

void IoHistoryView::paintAxis(QPainter& painter, const QRect& plot, long long span) {
    painter.setPen(Qt::darkGray);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    // About eight ticks, at a step a reader counts in.
    long long step = kTickStepsMs.back();
    for (long long candidate : kTickStepsMs)
        if (span / candidate <= kMaxTicks) {
            step = candidate;
            break;
        }
    for (long long ago = 0; ago <= span; ago += step) {
        const int x = plot.left() + static_cast<int>((span - ago) * plot.width() / span);
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(Qt::darkGray);
        const long long seconds = ago / kMsPerSecond;
        const QString label = QStringLiteral("-%1:%2")
                                  .arg(seconds / kSecondsPerMinute)
                                  .arg(seconds % kSecondsPerMinute, 2, 10, QLatin1Char('0'));
        const QRect box(x - 30, plot.bottom() + 2, 60, kAxisHeightPx - 2);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, ago == 0 ? QStringLiteral("0") : label);
    }
}

void IoHistoryView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const long long now = nowMs_();
    const long long span = history_.shownSpanMs(now, kMinimumSpanMs);
    const long long from = now - span;
    const QRect plot(kLabelWidthPx, kMarginPx, width() - kLabelWidthPx - kMarginPx,
                     height() - kMarginPx - kAxisHeightPx);
    const int inputs = history_.inputLanes();
    const int lanes = inputs + history_.outputLanes();
    lanesPainted_ = lanes;
    paintAxis(painter, plot, span);
    if (lanes == 0) {
        painter.setPen(Qt::darkGray);
        painter.drawText(plot, Qt::AlignCenter, emptyText_);
        return;
    }
    const double laneHeight = std::max<double>(kMinLaneHeightPx, double(plot.height()) / lanes);
    for (int lane = 0; lane < lanes; ++lane) {
        const bool input = lane < inputs;
        const int channel = input ? lane + 1 : lane - inputs + 1;
        const int top = plot.top() + static_cast<int>(lane * laneHeight);
        const int high = top + 2;
        const int low = top + static_cast<int>(laneHeight) - 3;
        painter.setPen(input ? kInputColour : kOutputColour);
        painter.drawText(
            QRect(0, top, kLabelWidthPx - 4, static_cast<int>(laneHeight)), Qt::AlignRight | Qt::AlignVCenter,
            qs(fixed::withNumber(input ? fixed::kInputNamePattern : fixed::kOutputNamePattern, channel)));
        const QColor colour = input ? kInputColour : kOutputColour;
        int lastY = -1;
        for (const LaneSegment& s :
             history_.lane(input ? IoChannelKind::Input : IoChannelKind::Output, channel, from, now)) {
            const int x0 = plot.left() + static_cast<int>((s.fromMs - from) * plot.width() / span);
            const int x1 = plot.left() + static_cast<int>((s.toMs - from) * plot.width() / span);
            if (s.state == Indicator::Unknown) {
                painter.setPen(QPen(kUnknownColour, 1, Qt::DotLine));
                painter.drawLine(x0, (high + low) / 2, x1, (high + low) / 2);
                lastY = -1;
                continue;
            }
            const int y = s.state == Indicator::On ? high : low;
            if (s.state == Indicator::On)
                painter.fillRect(QRect(x0, high, std::max(1, x1 - x0), low - high), colour.lighter(185));
            painter.setPen(QPen(colour, 2));
            if (lastY >= 0 && lastY != y) painter.drawLine(x0, lastY, x0, y);
            painter.drawLine(x0, y, x1, y);
            lastY = y;
        }
        painter.setPen(QColor(235, 235, 235));
        painter.drawLine(plot.left(), top + static_cast<int>(laneHeight) - 1, plot.right(),
                         top + static_cast<int>(laneHeight) - 1);
    }
}

}  // namespace tavrel
