// The interface language: start from the language file, switch by menu, write it into the window.
#include <gtest/gtest.h>

#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "ControlIds.h"
#include "WindowHarness.h"

namespace tavrel::test {
namespace {

QStringList entriesOf(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    return entries;
}

bool checked(const CConfigDlg& window, int id) {
    return window.actionById(id)->isChecked();
}

TEST(LanguageStart, MissingFileMeansChineseAndCreatesIt) {
    Harness h;
    auto window = h.makeWindow();
    EXPECT_EQ(window->texts().language(), Language::Chinese);
    EXPECT_EQ(h.readLanguageFile(), "z");
    EXPECT_EQ(window->controlAs<QPushButton>(ids::kSearchButton)->text(), "搜索设备");
    EXPECT_TRUE(checked(*window, ids::kChineseCommand));
    EXPECT_FALSE(checked(*window, ids::kEnglishCommand));
    EXPECT_EQ(window->statusText(3), "广播地址:127.255.255.255");
}

TEST(LanguageStart, AnyFirstByteButZMeansEnglish) {
    for (const std::string bytes : {"e", "E", "x", ""}) {
        Harness h;
        h.writeLanguageFile(bytes);
        auto window = h.makeWindow();
        EXPECT_EQ(window->texts().language(), Language::English) << bytes;
        EXPECT_EQ(window->controlAs<QPushButton>(ids::kSearchButton)->text(), "Search Device") << bytes;
        EXPECT_TRUE(checked(*window, ids::kEnglishCommand));
        EXPECT_FALSE(checked(*window, ids::kChineseCommand));
        EXPECT_EQ(h.readLanguageFile(), "e") << bytes;
    }
}

TEST(LanguageStart, FileStartingWithZKeepsChineseAndItsOtherBytes) {
    Harness h;
    h.writeLanguageFile("zkeep");
    auto window = h.makeWindow();
    EXPECT_EQ(window->texts().language(), Language::Chinese);
    EXPECT_EQ(h.readLanguageFile(), "zkeep");
}

TEST(LanguageSwitch, CommandsStoreTheLetterWithoutTruncating) {
    Harness h;
    h.writeLanguageFile("z-rest of the file");
    auto window = h.makeWindow();
    window->actionById(ids::kEnglishCommand)->trigger();
    EXPECT_EQ(h.readLanguageFile(), "e-rest of the file");
    window->actionById(ids::kChineseCommand)->trigger();
    EXPECT_EQ(h.readLanguageFile(), "z-rest of the file");
}

TEST(LanguageSwitch, ThreeSwitchesKeepOneCheckMarkAndTheFixedLists) {
    Harness h;
    auto window = h.makeWindow();
    window->setBroadcastAddress("127.0.0.9");
    auto* ipType = window->controlAs<QComboBox>(ids::kIpTypeList);
    auto* wifiMode = window->controlAs<QComboBox>(ids::kWifiModeList);
    const struct {
        int command;
        Language language;
        const char* statusPart3;
        const char* staticEntry;
    } steps[] = {{ids::kEnglishCommand, Language::English, "BroadcastAdress:127.0.0.9", "Static IP"},
                 {ids::kChineseCommand, Language::Chinese, "广播地址:127.0.0.9", "静态 IP"},
                 {ids::kEnglishCommand, Language::English, "BroadcastAdress:127.0.0.9", "Static IP"}};
    for (const auto& step : steps) {
        ipType->setCurrentIndex(1);
        window->setStatusText(0, "old");
        window->actionById(step.command)->trigger();
        EXPECT_EQ(window->texts().language(), step.language);
        EXPECT_EQ(checked(*window, ids::kEnglishCommand), step.language == Language::English);
        EXPECT_EQ(checked(*window, ids::kChineseCommand), step.language == Language::Chinese);
        EXPECT_EQ(entriesOf(wifiMode), QStringList({"AP", "STA"}));
        EXPECT_EQ(ipType->count(), 2);
        EXPECT_EQ(ipType->currentIndex(), 1) << "a DHCP device stays DHCP";
        EXPECT_EQ(ipType->itemText(0), step.staticEntry);
        EXPECT_EQ(window->statusText(3), step.statusPart3);
        EXPECT_TRUE(window->statusText(0).isEmpty());
        EXPECT_EQ(window->deviceList()->columnCount(), 4);
        EXPECT_EQ(window->scheduleList()->columnCount(), 4);
    }
}

TEST(LanguageSwitch, RelabelsMenusFramesAndCaption) {
    Harness h;
    auto window = h.makeWindow();
    EXPECT_EQ(window->windowTitle(), "Tavrel   网络IO控制板控制软件   V228 ");
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), 4);
    EXPECT_EQ(bar[0]->text(), "设备");
    EXPECT_EQ(bar[2]->text(), "网络适配器");
    EXPECT_EQ(bar[3]->data().toInt(), ids::kAboutCommand);
    EXPECT_EQ(bar[3]->text(), "关于");

    window->switchLanguage(Language::English);
    EXPECT_EQ(window->windowTitle(), "Tavrel   网络IO控制板控制软件   V228 ");
    EXPECT_EQ(bar[0]->text(), "Device");
    EXPECT_EQ(bar[1]->text(), "Language");
    EXPECT_EQ(bar[2]->text(), "Network Adapter");
    EXPECT_EQ(bar[3]->text(), "About");
    EXPECT_EQ(window->actionById(ids::kFirmwareUpgradeCommand)->text(), "Firmware Upgrade");
    EXPECT_EQ(window->actionById(ids::kIoControlCommand)->text(), "IO Control");
    EXPECT_EQ(window->actionById(ids::kDefaultAdapterCommand)->text(), "Default");
    EXPECT_EQ(window->actionById(ids::kChineseCommand)->text(), "简体中文");
    EXPECT_EQ(window->controlAs<QGroupBox>(ids::kPortFrame)->title(), "Port Setting");
    EXPECT_EQ(window->controlAs<QPushButton>(ids::kSaveConfigButton)->text(), "Save Data");
    EXPECT_EQ(window->deviceList()->horizontalHeaderItem(0)->text(), "Device IP");
}

TEST(LanguageSwitch, PromptButtonsFollowTheLanguage) {
    Harness h;
    auto window = h.makeWindow();
    EXPECT_EQ(h.prompts->okText, "确定");
    EXPECT_EQ(h.prompts->cancelText, "取消");
    window->switchLanguage(Language::English);
    EXPECT_EQ(h.prompts->okText, "OK");
    EXPECT_EQ(h.prompts->cancelText, "Cancel");
}

}  // namespace
}  // namespace tavrel::test
