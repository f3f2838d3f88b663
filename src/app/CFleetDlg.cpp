#include "CFleetDlg.h"

#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QVBoxLayout>

#include "QtText.h"
#include "texts/UiTexts.h"

namespace tavrel {

namespace {

constexpr int kResultColumn = 4;

}  // namespace

CFleetDlg::CFleetDlg(const UiTexts& texts, const std::vector<Device>& devices, bool canApply, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(qs(texts.fleetCaption));
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("fleetPlanTable"));
    table_->setColumnCount(5);
    table_->setHorizontalHeaderLabels({qs(texts.fleetColumnDevice), qs(texts.fleetColumnField),
                                       qs(texts.fleetColumnFrom), qs(texts.fleetColumnTo),
                                       qs(texts.fleetColumnResult)});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    for (const Device& device : devices) {
        firstRow_.push_back(table_->rowCount());
        rowCount_.push_back(device.lines.size());
        for (const Line& line : device.lines) {
            const int row = table_->rowCount();
            table_->insertRow(row);
            const QString cells[] = {device.name, line.field, line.from, line.to, QString()};
            for (int column = 0; column < 5; ++column)
                table_->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("fleetProgress"));
    bar_->hide();
    layout->addWidget(bar_);
    auto* buttons = new QDialogButtonBox(this);
    apply_ = buttons->addButton(qs(texts.fleetApply), QDialogButtonBox::ApplyRole);
    apply_->setObjectName(QStringLiteral("fleetApplyButton"));
    apply_->setEnabled(canApply);
    QPushButton* close = buttons->addButton(qs(texts.fleetClose), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("fleetCloseButton"));
    connect(apply_, &QPushButton::clicked, this, &CFleetDlg::applyRequested);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 420);
}

void CFleetDlg::setResult(std::size_t device, const QString& text) {
    if (device >= firstRow_.size()) return;
    for (std::size_t i = 0; i < rowCount_[device]; ++i)
        table_->item(firstRow_[device] + static_cast<int>(i), kResultColumn)->setText(text);
}

void CFleetDlg::startProgress(int writes) {
    apply_->setEnabled(false);
    bar_->setRange(0, writes);
    bar_->setValue(0);
    bar_->show();
}

void CFleetDlg::advance() {
    bar_->setValue(bar_->value() + 1);
}

}  // namespace tavrel
