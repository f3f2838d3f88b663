#include "CWifiListDlg.h"

#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QTableWidget>

#include "AccessibleNames.h"
#include "AppIcon.h"
#include "DialogUnits.h"
#include "QtText.h"
#include "WindowFont.h"
#include "texts/FixedTexts.h"
#include "texts/UiTexts.h"

namespace tavrel {

namespace {
constexpr int kWidthUnits = 95;
constexpr int kHeightUnits = 139;
constexpr int kFontPoints = 10;
constexpr int kColumnWidthPx = 175;
}  // namespace

CWifiListDlg::CWifiListDlg(const UiTexts& texts, QWidget* parent, int tickMs)
    : QDialog(parent), texts_(texts) {
    setObjectName(QStringLiteral("wifiListDialog"));
    setFont(windowFont(kFontPoints));
    const DialogUnits du(font());
    setWindowTitle(qs(fixed::kWifiListCaption));
    setWindowIcon(appIcon());
    setFixedSize(du.x(kWidthUnits), du.y(kHeightUnits));

    list_ = new QTableWidget(0, 1, this);
    list_->setObjectName(QStringLiteral("wifiList"));
    list_->setGeometry(0, 0, width(), height());
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->setHorizontalHeaderItem(0, new QTableWidgetItem());
    list_->setColumnWidth(0, kColumnWidthPx);
    nameControl(list_, qs(texts_.a11yWifiNetworks));
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row) { choose(row); });

    setHeader(scanCountdownHeader(texts_, countdown_));
    timer_ = new QTimer(this);
    timer_->setInterval(tickMs);
    connect(timer_, &QTimer::timeout, this, &CWifiListDlg::tick);
    timer_->start();
}

bool CWifiListDlg::counting() const {
    return timer_->isActive();
}

QString CWifiListDlg::header() const {
    return list_->horizontalHeaderItem(0)->text();
}

void CWifiListDlg::setHeader(const std::string& text) {
    list_->horizontalHeaderItem(0)->setText(qs(text));
}

// The window stays open after the time-out: a late answer still fills it, and the user closes it.
void CWifiListDlg::tick() {
    if (countdown_ > 0) --countdown_;
    setHeader(scanCountdownHeader(texts_, countdown_));
    if (countdown_ == 0) timer_->stop();
}

void CWifiListDlg::showScanResult(const QByteArray& datagram) {
    const auto names = parseScanResult(Bytes(reinterpret_cast<const std::uint8_t*>(datagram.constData()),
                                             static_cast<std::size_t>(datagram.size())));
    if (!names) return;
    timer_->stop();
    setHeader(texts_.wifiDoubleClickHint);
    for (const std::string& name : mergeScanNames(names_, *names)) {
        const int row = list_->rowCount();
        list_->insertRow(row);
        list_->setItem(row, 0, new QTableWidgetItem(qs(name)));
    }
}

void CWifiListDlg::choose(int row) {
    if (row < 0 || row >= list_->rowCount() || !list_->item(row, 0)) return;
    chosenSsid_ = list_->item(row, 0)->text();
    chosen_ = true;
    accept();
}

// Enter picks the highlighted row, as a double click does; the dialog has no button for it to press.
void CWifiListDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (list_->currentRow() >= 0) choose(list_->currentRow());
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tavrel
