// The language and network adapter menus carry exactly one check mark whatever is chosen.
#include <gtest/gtest.h>

#include <QtWidgets/QMenu>

#include "ControlIds.h"
#include "WindowHarness.h"

namespace tavrel::test {
namespace {

int checkedIn(const CConfigDlg& window, const char* menuName) {
    const QMenu* menu = window.findChild<QMenu*>(QString::fromLatin1(menuName));
    int checked = 0;
    for (const QAction* action : menu->actions()) checked += action->isChecked() ? 1 : 0;
    return checked;
}

TEST(MenuCheckMarks, ExactlyOneInLanguageAndAdapterMenus) {
    Harness h;
    auto window = h.makeWindow({{QStringLiteral("lo"), QStringLiteral("127.0.0.1")},
                                {QStringLiteral("lo2"), QStringLiteral("127.0.0.2")}});
    EXPECT_EQ(checkedIn(*window, "languageMenu"), 1);
    EXPECT_EQ(checkedIn(*window, "adapterMenu"), 1);
    const int steps[] = {ids::kEnglishCommand,          ids::kEnglishCommand,
                         ids::kChineseCommand,          ids::kChineseCommand,
                         ids::kFirstAdapterCommand,     ids::kFirstAdapterCommand,
                         ids::kFirstAdapterCommand + 1, ids::kDefaultAdapterCommand,
                         ids::kDefaultAdapterCommand,   ids::kEnglishCommand};
    for (int id : steps) {
        window->actionById(id)->trigger();
        EXPECT_EQ(checkedIn(*window, "languageMenu"), 1) << id;
        EXPECT_EQ(checkedIn(*window, "adapterMenu"), 1) << id;
        EXPECT_TRUE(window->actionById(id)->isChecked()) << id;
    }
}

}  // namespace
}  // namespace tavrel::test
