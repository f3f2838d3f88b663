// What a screen reader and a keyboard find in the windows: every control named by its label in both
// languages, tables with named columns, and the tab order of a group as the eye reads it.
#include <gtest/gtest.h>

#include <QtCore/QRegularExpression>
#include <QtGui/QAccessible>
#include <functional>

#include "CAboutDlg.h"
#include "CBroadcastDlg.h"
#include "CFirmwareDlg.h"
#include "CIoControlDlg.h"
#include "CWifiListDlg.h"
#include "WindowHarness.h"

namespace tavrel::test {
namespace {

const QList<QAccessible::Role> kNamedRoles = {
    QAccessible::EditableText, QAccessible::SpinBox,     QAccessible::ComboBox, QAccessible::CheckBox,
    QAccessible::RadioButton,  QAccessible::PushButton,  QAccessible::Button,   QAccessible::Link,
    QAccessible::Table,        QAccessible::ProgressBar, QAccessible::List};

// Controls a screen reader would read without a name, by their value, or with the label's colon;
// and tables whose columns have no names.
std::string faultsOf(QWidget* window) {
    QStringList faults;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        const QString id = node->object() ? node->object()->objectName() : QString();
        const QAccessible::Role role = node->role();
        if (kNamedRoles.contains(role)) {
            QString name = node->text(QAccessible::Name);
            const QString value = node->text(QAccessible::Value);
            // Qt on Linux names a list box by its value and relates its label instead; both must be there.
            if (role == QAccessible::ComboBox) {
                name = static_cast<QWidget*>(node->object())->accessibleName();
                if (node->relations(QAccessible::Label).isEmpty()) faults << id + " has no label";
            }
            const bool byValue = name == value && role != QAccessible::Table && role != QAccessible::List;
            if (name.isEmpty() || byValue || name.contains(QRegularExpression(QStringLiteral("[:：]$|  "))))
                faults << id + " named '" + name + "'";
        }
        if (QAccessibleTableInterface* table = node->tableInterface())
            for (int c = 0; c < table->columnCount(); ++c)
                if (table->columnDescription(c).isEmpty()) faults << id + " column " + QString::number(c);
        // A list's popup, a table's cells and the menus are Qt's own and named by their items.
        if (role == QAccessible::ComboBox || node->tableInterface() || role == QAccessible::MenuBar) return;
        for (int i = 0; i < node->childCount(); ++i)
            if (QAccessibleInterface* child = node->child(i)) walk(child);
    };
    walk(QAccessible::queryAccessibleInterface(window));
    return faults.join(QStringLiteral("; ")).toStdString();
}

struct ExpectedName {
    const char* control;
    Language language;
    const char* name;
    const char* description;
};

// A few names in each language: the label without its padding, the field's limit from the record.
constexpr ExpectedName kNames[] = {
    {"heartbeatTimeEdit", Language::English, "HeartbeatTime", "seconds, 0-65535"},
    {"heartbeatTimeEdit", Language::Chinese, "心跳包间隔", "秒, 0-65535"},
    {"remoteHostEdit", Language::English, "Remote IP", "at most 32 bytes"},
    {"remoteHostEdit", Language::Chinese, "目标IP/域名", "最多 32 个字节"},
    {"openYearEdit", Language::English, "Timer, Open Time, Year", ""},
    {"openYearEdit", Language::Chinese, "定时, 打开时间, 年", ""},
};

TEST(Accessibility, EveryControlOfEveryWindowIsNamedInBothLanguages) {
    Harness h;
    auto window = h.makeWindow();
    for (Language language : {Language::Chinese, Language::English}) {
        window->switchLanguage(language);
        EXPECT_EQ(faultsOf(window.get()), "") << "main window, language " << int(language);
        for (const ExpectedName& expected : kNames) {
            if (expected.language != language) continue;
            auto* control = window->findChild<QWidget*>(QString::fromLatin1(expected.control));
            EXPECT_EQ(control->accessibleName().toStdString(), expected.name);
            EXPECT_EQ(control->accessibleDescription().toStdString(), expected.description);
        }
        UiTexts texts;
        texts.load(language);
        CIoControlDlg io(texts, std::nullopt, h.prompts,
                         std::filesystem::path(h.home.path().toStdString()) / "io.ini", nullptr);
        CBroadcastDlg broadcast(texts, QStringLiteral("127.255.255.255"));
        CFirmwareDlg firmware(texts, *h.prompts, {});
        CWifiListDlg wifiList(texts);
        CAboutDlg about(texts);
        for (QWidget* other : std::initializer_list<QWidget*>{&io, &broadcast, &firmware, &wifiList, &about})
            EXPECT_EQ(faultsOf(other), "")
                << other->objectName().toStdString() << ", language " << int(language);
    }
}

// Runs of controls that Tab must visit one after another, hidden ones skipped as Tab skips them.
const std::vector<std::vector<const char*>> kTabRuns = {
    {"ipTypeList", "ipAddressEdit", "subnetMaskEdit", "gatewayEdit", "dnsEdit", "macEdit", "userEdit",
     "passwordEdit", "rs485Edit", "outputFollowCheck", "sendStatusCheck", "saveNetworkButton"},
    {"openYearEdit", "openMonthEdit", "openDayEdit", "openHourEdit", "openMinuteEdit", "openSecondEdit",
     "closeYearEdit"},
    {"cloudCheck", "cloudHelpLink", "cloudIdEdit"},
};

TEST(Accessibility, TabWalksEachGroupRowByRow) {
    Harness h;
    auto window = h.makeWindow();
    for (const auto& run : kTabRuns) {
        QStringList visited;
        QWidget* widget = window->findChild<QWidget*>(QString::fromLatin1(run.front()));
        ASSERT_NE(widget, nullptr) << run.front();
        while (visited.size() < static_cast<qsizetype>(run.size())) {
            if ((widget->focusPolicy() & Qt::TabFocus) && !widget->isHidden())
                visited << widget->objectName();
            widget = widget->nextInFocusChain();
        }
        QStringList expected;
        for (const char* name : run) expected << QString::fromLatin1(name);
        EXPECT_EQ(visited.join(" ").toStdString(), expected.join(" ").toStdString());
    }
}

}  // namespace
}  // namespace tavrel::test
