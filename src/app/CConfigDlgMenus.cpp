// The menu bar: device, language and network adapter menus and the About command.
#include <QtGui/QActionGroup>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>

#include "CConfigDlg.h"
#include "ControlIds.h"
#include "ProfileArea.h"
#include "QtText.h"
#include "SnapshotArea.h"
#include "texts/FixedTexts.h"

namespace tavrel {

// Texts are filled by the language step; only the Chinese item keeps its own.
void CConfigDlg::buildMenus() {
    deviceMenu_ = menuBar_->addMenu(QString());
    deviceMenu_->setObjectName(QStringLiteral("deviceMenu"));
    addCommand(deviceMenu_, ids::kFirmwareUpgradeCommand, QString());
    addCommand(deviceMenu_, ids::kExportProfileCommand, QString());
    addCommand(deviceMenu_, ids::kImportProfileCommand, QString());
    addCommand(deviceMenu_, ids::kIoControlCommand, QString());
    addCommand(deviceMenu_, ids::kExportListCommand, QString());
    addCommand(deviceMenu_, ids::kLoadFleetSheetCommand, QString())
        ->setObjectName(QStringLiteral("loadFleetSheetCommand"));
    addCommand(deviceMenu_, ids::kUndoLastChangeCommand, QString())
        ->setObjectName(QStringLiteral("undoLastChangeCommand"));

    languageMenu_ = menuBar_->addMenu(QString());
    languageMenu_->setObjectName(QStringLiteral("languageMenu"));
    addCommand(languageMenu_, ids::kEnglishCommand, QString(), true);
    addCommand(languageMenu_, ids::kChineseCommand, qs(fixed::kChineseItem), true);
    exclusiveGroup(languageMenu_);

    adapterMenu_ = menuBar_->addMenu(QString());
    adapterMenu_->setObjectName(QStringLiteral("adapterMenu"));
    addCommand(adapterMenu_, ids::kDefaultAdapterCommand, QString(), true);
    addAdapterItems();

    QAction* about = menuBar_->addAction(QString());
    about->setObjectName(QStringLiteral("aboutCommand"));
    about->setData(ids::kAboutCommand);
    actions_.insert(ids::kAboutCommand, about);
    connect(about, &QAction::triggered, this, [this] { onMenuCommand(ids::kAboutCommand); });
}

void CConfigDlg::addAdapterItems() {
    for (int i = 0; i < adapters_.size(); ++i)
        addCommand(adapterMenu_, ids::kFirstAdapterCommand + i, adapterMenuText(adapters_[i]), true);
    adapterMenuIds_.clear();
    for (QAction* action : adapterMenu_->actions()) adapterMenuIds_.push_back(action->data().toInt());
    exclusiveGroup(adapterMenu_);
    actionById(ids::kDefaultAdapterCommand)->setChecked(true);
}

// Choosing the checked item again keeps its mark: the menu never shows none or two.
void CConfigDlg::exclusiveGroup(QMenu* menu) {
    auto* group = new QActionGroup(menu);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (QAction* action : menu->actions()) group->addAction(action);
}

QAction* CConfigDlg::addCommand(QMenu* menu, int id, const QString& text, bool checkable) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setCheckable(checkable);
    actions_.insert(id, action);
    connect(action, &QAction::triggered, this, [this, id] { onMenuCommand(id); });
    return action;
}

void CConfigDlg::onMenuCommand(int id) {
    switch (id) {
        case ids::kAboutCommand:
            showAbout();
            return;
        case ids::kEnglishCommand:
            switchLanguage(Language::English);
            return;
        case ids::kChineseCommand:
            switchLanguage(Language::Chinese);
            return;
        case ids::kIoControlCommand:
            openIoControl(true);
            return;
        case ids::kExportProfileCommand:
            profileArea_->exportProfile();
            return;
        case ids::kImportProfileCommand:
            profileArea_->importProfile();
            return;
        case ids::kExportListCommand:
            profileArea_->exportList();
            return;
        case ids::kUndoLastChangeCommand:
            snapshotArea_->undo();
            return;
        case ids::kFirmwareUpgradeCommand:
        case ids::kLoadFleetSheetCommand:
            // The firmware and fleet areas answer these commands themselves.
            return;
        default:
            break;
    }
    // Checkable items toggle themselves when triggered; the adapter choice sets the marks itself.
    if (id == ids::kDefaultAdapterCommand ||
        (id >= ids::kFirstAdapterCommand && id < ids::kFirstAdapterCommand + adapters_.size()))
        chooseAdapter(id);
}

}  // namespace tavrel
