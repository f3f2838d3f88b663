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
}

void IncompleteMarks::setChange(int row, Change change) {
    if (change == Change::None)
        changes_.erase(row);
    else
        changes_[row] = change;
    refresh(row);
}

void IncompleteMarks::refresh(int row) {
    if (row < 0 || row >= list_->rowCount()) return;
    const auto change = changes_.count(row) ? changes_.at(row) : Change::None;
    const bool incomplete = !session_.table().progress(static_cast<std::size_t>(row)).complete();
    QTableWidgetItem* ip = cell(list_, row, 0);
    if (change == Change::Rereading) {
        ip->setToolTip(qs(texts_.rereadingDevice));
        ip->setBackground(QBrush(kRereadingBackground));
        ip->setForeground(QBrush());
        return;
    }
    const bool marked = incomplete || change == Change::NotBack;
    ip->setToolTip(change == Change::NotBack ? qs(texts_.deviceNotBack)
                   : incomplete              ? qs(texts_.incompleteDeviceHint)
                                             : QString());
    ip->setBackground(marked ? QBrush(kIncompleteBackground) : QBrush());
    ip->setForeground(marked ? QBrush(kIncompleteText) : QBrush());
}

void IncompleteMarks::refreshAll() {
    for (int row = 0; row < list_->rowCount(); ++row) refresh(row);
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
    const WriteCheck check = checkWrite(session_.table().progress(static_cast<std::size_t>(*row)), texts_.languageCode);
    if (check.whole) return true;
    return prompts_.confirm(window_.caption(), qs(incompleteWriteQuestion(check, kind, texts_)));
}

}  // namespace tavrel
