#include "IncompleteMarks.h"

#include <QtGui/QBrush>
#include <QtGui/QColor>
#include <QtWidgets/QTableWidget>

#include "DeviceSession.h"
#include "Prompts.h"
#include "QtText.h"
#include "settings/DeviceView.h"
#include "texts/UiTexts.h"

namespace tavrel {

namespace {
const QColor kIncompleteBackground(255, 214, 153);
const QColor kIncompleteText(153, 0, 0);
const QColor kRereadingBackground(204, 229, 255);
const QColor kDuplicateIpBackground(255, 170, 170);
const QColor kForeignSubnetBackground(170, 200, 255);

QTableWidgetItem* cell(QTableWidget* list, int row, int column) {
    QTableWidgetItem* item = list->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        list->setItem(row, column, item);
    }
    return item;
}
}  // namespace

IncompleteMarks::IncompleteMarks(QTableWidget* list, DeviceSession& session, const UiTexts& texts,
                                 Prompts& prompts, Window window, QObject* parent)
    : QObject(parent),
      list_(list),
      session_(session),
      texts_(texts),
      prompts_(prompts),
      window_(std::move(window)) {
    connect(&session_, &DeviceSession::deviceReady, this, &IncompleteMarks::refresh);
    connect(&session_, &DeviceSession::readoutSettled, this, &IncompleteMarks::onSettled);
    connect(&session_, &DeviceSession::deviceUpdated, this, &IncompleteMarks::onUpdated);
    // A new row can give an older one a twin address.
    connect(&session_, &DeviceSession::rowAdded, this, &IncompleteMarks::refreshAll, Qt::QueuedConnection);
}

void IncompleteMarks::setChange(int row, Change change) {
    if (change == Change::None)
        changes_.erase(row);
    else
        changes_[row] = change;
    refresh(row);
}

void IncompleteMarks::refresh(int row) {
    paint(row, window_.addressMarks ? window_.addressMarks() : std::vector<ListMark>{});
}

void IncompleteMarks::paint(int row, const std::vector<ListMark>& addressMarks) {
    if (row < 0 || row >= list_->rowCount()) return;
    const auto change = changes_.count(row) ? changes_.at(row) : Change::None;
    const bool incomplete = !session_.table().progress(static_cast<std::size_t>(row)).complete();
    const ListMark mark = static_cast<std::size_t>(row) < addressMarks.size()
                              ? addressMarks[static_cast<std::size_t>(row)]
                              : ListMark{};
    QTableWidgetItem* ip = cell(list_, row, 0);
    if (change == Change::Rereading) {
        ip->setToolTip(qs(texts_.rereadingDevice));
        ip->setBackground(QBrush(kRereadingBackground));
        ip->setForeground(QBrush());
        return;
    }
    // A device that did not answer again says so first: what the row shows of it may be stale.
    const bool marked = incomplete || change == Change::NotBack;
    QStringList tips;
    if (change == Change::NotBack)
        tips << qs(texts_.deviceNotBack);
    else if (incomplete)
        tips << qs(texts_.incompleteDeviceHint);
    if (mark.any()) tips << qs(mark.tooltip);
    ip->setToolTip(tips.join('\n'));
    QBrush background;
    if (marked)
        background = QBrush(kIncompleteBackground);
    else if (mark.duplicateIp)
        background = QBrush(kDuplicateIpBackground);
    else if (mark.foreignSubnet)
        background = QBrush(kForeignSubnetBackground);
    ip->setBackground(background);
    ip->setForeground(marked ? QBrush(kIncompleteText) : QBrush());
}

void IncompleteMarks::refreshAll() {
    const auto marks = window_.addressMarks ? window_.addressMarks() : std::vector<ListMark>{};
    for (int row = 0; row < list_->rowCount(); ++row) paint(row, marks);
}

// A device whose last block never came was never shown: its row gets what was read, unselected.
void IncompleteMarks::onSettled(int row) {
    if (row < 0 || row >= list_->rowCount()) return;
    if (cell(list_, row, 1)->text().isEmpty()) {
        const DeviceView view = showDevice(session_.table()[static_cast<std::size_t>(row)], 0);
        cell(list_, row, 1)->setText(qs(view.mac));
        cell(list_, row, 2)->setText(qs(view.firmware));
        cell(list_, row, 3)->setText(qs(view.hardware));
    }
    refresh(row);
}

// The form of the selected device must not keep showing zeros for a block that has arrived since:
// a save would write them.
void IncompleteMarks::onUpdated(int row) {
    if (window_.selectedRow() == row) window_.showDevice(row);
    refresh(row);
}

bool IncompleteMarks::confirmWrite(std::optional<int> row, WriteKind kind) {
    if (!row || *row < 0 || static_cast<std::size_t>(*row) >= session_.table().size()) return true;
    const WriteCheck check =
        checkWrite(session_.table().progress(static_cast<std::size_t>(*row)), texts_.languageCode);
    if (check.whole) return true;
    return prompts_.confirm(window_.caption(), qs(incompleteWriteQuestion(check, kind, texts_)));
}

}  // namespace tavrel
