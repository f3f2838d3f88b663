#include "FleetArea.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QPointer>
#include <QtGui/QAction>
#include <QtWidgets/QTableWidget>

#include "CFleetDlg.h"
#include "ControlIds.h"
#include "DeviceSession.h"
#include "DeviceWrite.h"
#include "MainWindowContext.h"
#include "Prompts.h"
#include "QtText.h"
#include "texts/FixedTexts.h"
#include "texts/UiTexts.h"
#include "util/FileFilter.h"
#include "util/Paths.h"

namespace tavrel {

namespace {

constexpr int kMacColumn = 1;
// The most faults a message box lists; the rest are counted.
constexpr std::size_t kFaultsShown = 12;
const QColor kDiffersColour(255, 224, 160);

QString value(const std::string& text, bool secret) {
    return qs(secret ? shownSecret(text, SecretDisplay::Masked) : text);
}

}  // namespace

FleetArea::FleetArea(MainWindowContext& window) : QObject(window.widget()), window_(window) {
    connect(window_.actionById(ids::kLoadFleetSheetCommand), &QAction::triggered, this, &FleetArea::load);
    DeviceSession& session = window_.session();
    for (auto changed :
         {&DeviceSession::deviceReady, &DeviceSession::deviceUpdated, &DeviceSession::readoutSettled})
        connect(&session, changed, this, [this] { refreshMarks(); });
    connect(&session, &DeviceSession::tableCleared, this, [this] { marked_.clear(); });
}

void FleetArea::load() {
    const UiTexts& texts = window_.texts();
    const QString chosen = window_.prompts().openFileName(
        qs(texts.loadFleetSheet), QString::fromStdU16String(window_.paths().profileFolder.u16string()),
        qs(qtFileFilter(fixed::kCsvOpenFilter)));
    if (!chosen.isEmpty()) open(chosen);
}

void FleetArea::open(const QString& path) {
    const UiTexts& texts = window_.texts();
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
    auto read = readSheet(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (const auto* faults = std::get_if<std::vector<SheetError>>(&read)) {
        QStringList lines{qs(texts.fleetSheetBad), QDir::toNativeSeparators(path)};
        if (!file.isOpen()) lines << file.errorString();
        for (std::size_t i = 0; i < faults->size() && i < kFaultsShown; ++i)
            lines << qs(sheetErrorText((*faults)[i]));
        if (faults->size() > kFaultsShown)
            lines << QStringLiteral("(+%1)").arg(faults->size() - kFaultsShown);
        window_.prompts().inform(window_.caption(), lines.join('\n'), Prompts::Kind::Warning);
        return;
    }
    sheet_ = std::get<Sheet>(std::move(read));
    const DeviceTable& table = window_.devices();
    FleetOptions options;
    options.languageCode = texts.languageCode;
    plans_ = planFleet(*sheet_, table, matchRows(*sheet_, table), options);
    refreshMarks();

    std::vector<CFleetDlg::Device> devices;
    bool changes = false;
    bool invalid = false;
    for (const RowPlan& p : plans_) {
        CFleetDlg::Device d;
        const SheetRow& row = sheet_->rows[p.row];
        d.name = p.entry < 0 ? qs(row.name)
                             : QStringLiteral("%1 (%2)").arg(qs(macText(table[std::size_t(p.entry)].mac)),
                                                             qs(table[std::size_t(p.entry)].sourceAddress));
        for (const FieldChange& c : p.changes)
            d.lines.push_back({qs(c.column), value(c.from, c.secret), value(c.to, c.secret)});
        if (p.status == FleetStatus::Unchanged) d.lines.push_back({{}, {}, qs(texts.fleetUnchanged)});
        if (p.status == FleetStatus::Missing) d.lines.push_back({{}, {}, qs(texts.fleetMissing)});
        if (p.status == FleetStatus::Incomplete) d.lines.push_back({{}, {}, qs(texts.fleetIncomplete)});
        if (p.status == FleetStatus::Invalid) d.lines = {{{}, {}, qs(texts.fleetInvalid) + qs(p.message)}};
        changes = changes || p.status == FleetStatus::Change;
        invalid = invalid || p.status == FleetStatus::Invalid;
        devices.push_back(std::move(d));
    }
    // A sheet with a row its device cannot take sends nothing, as from the command line.
    CFleetDlg dialog(texts, devices, changes && !invalid, window_.widget());
    connect(&dialog, &CFleetDlg::applyRequested, this, [this, &dialog] { apply(dialog); });
    window_.runModal(dialog);
}

void FleetArea::apply(CFleetDlg& dialog) {
    const UiTexts& texts = window_.texts();
    std::vector<WriteRequest> requests;
    std::vector<std::size_t> planOf;
    for (std::size_t n = 0; n < plans_.size(); ++n) {
        if (plans_[n].status != FleetStatus::Change) continue;
        requests.push_back(fleetWriteRequest(plans_[n].entry, plans_[n].write));
        planOf.push_back(n);
    }
    if (!window_.prompts().confirm(window_.caption(), qs(texts.fleetConfirm).arg(requests.size()))) return;
    dialog.startProgress(static_cast<int>(requests.size()));
    auto* batch = new WriteBatch(window_.writes(), std::move(requests), kFleetParallelWrites, this);
    QPointer<CFleetDlg> shown(&dialog);
    auto held = std::make_shared<int>(0);
    for (const RowPlan& p : plans_) *held += p.status == FleetStatus::Unchanged ? 1 : 0;
    connect(batch, &WriteBatch::started, this, [this](int id) { window_.leaveOutcome(id); });
    connect(batch, &WriteBatch::ended, this, [=, this](std::size_t k, const WriteOutcome& o) {
        bool holds = false;
        const QString text = resultText(sheet_->rows[plans_[planOf[k]].row], o, holds);
        *held += holds ? 1 : 0;
        if (!shown) return;
        shown->setResult(planOf[k], text);
        shown->advance();
    });
    connect(batch, &WriteBatch::finished, this, [=, this] {
        window_.setStatusText(2, qs(texts.fleetDone).arg(*held).arg(plans_.size()));
        refreshMarks();
        batch->deleteLater();
    });
    // Closing the table starts no further device; those under way finish.
    connect(&dialog, &QDialog::finished, batch, &WriteBatch::stopStarting);
    batch->start();
}

QString FleetArea::resultText(const SheetRow& row, const WriteOutcome& outcome, bool& holds) const {
    WriteOutcome o = outcome;
    if (o.result == WriteResult::Verified && o.entryAfter >= 0) {
        const RowComparison now = compareRow(row, window_.devices()[static_cast<std::size_t>(o.entryAfter)],
                                             window_.texts().languageCode);
        holds = now.holds();
        if (holds) return qs(window_.texts().fleetWritten);
        o.result = WriteResult::Differs;
        for (const FieldChange& c : now.differences) o.differences.push_back(c.column);
    }
    return qs(writeOutcomeText(o, window_.texts()));
}

void FleetArea::refreshMarks() {
    QTableWidget* list = window_.deviceList();
    const DeviceTable& table = window_.devices();
    std::set<int> differing;
    std::map<int, QString> fields;
    if (sheet_) {
        const std::vector<int> entries = matchRows(*sheet_, table);
        for (std::size_t n = 0; n < entries.size(); ++n) {
            const int e = entries[n];
            if (e < 0 || !table.progress(static_cast<std::size_t>(e)).complete()) continue;
            const RowComparison cmp =
                compareRow(sheet_->rows[n], table[static_cast<std::size_t>(e)], window_.texts().languageCode);
            if (cmp.holds()) continue;
            QStringList names;
            for (const FieldChange& c : cmp.differences) names << qs(c.column);
            differing.insert(e);
            fields[e] = cmp.problem.empty() ? names.join(QStringLiteral(", ")) : qs(cmp.problem);
        }
    }
    for (int row : marked_)
        if (!differing.count(row) && row < list->rowCount())
            if (QTableWidgetItem* item = list->item(row, kMacColumn)) {
                item->setBackground(QBrush());
                item->setToolTip(QString());
            }
    for (int row : differing)
        if (QTableWidgetItem* item = row < list->rowCount() ? list->item(row, kMacColumn) : nullptr) {
            item->setBackground(kDiffersColour);
            item->setToolTip(qs(window_.texts().fleetDiffers).arg(fields[row]));
        }
    marked_ = differing;
}

}  // namespace tavrel
