// The window on the virtual LAN with its real defaults (run by lan_test.sh inside the tool's
// namespace): both cards in the adapter menu, LAN A's devices found by the limited broadcast, LAN B's
// by its card, and IO Control on a LAN A device passing the subnet check and connecting.
#include <gtest/gtest.h>

#include <QtGui/QAction>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QTableWidget>

#include "Adapters.h"
#include "CIoControlDlg.h"
#include "ControlIds.h"
#include "IoTestSupport.h"
#include "WindowHarness.h"

namespace tavrel::test {
namespace {

using io::waitFor;
constexpr int kWaitMs = 20000;

QStringList rowsOf(const QTableWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->rowCount(); ++i)
        rows << (list->item(i, 0) ? list->item(i, 0)->text() : QString());
    return rows;
}

// Searches and waits until `expected` rows are listed and read out.
QStringList search(CConfigDlg& window, int expected) {
    window.controlAs<QAbstractButton>(ids::kSearchButton)->click();
    QTableWidget* list = window.deviceList();
    waitFor(
        [&] {
            if (list->rowCount() < expected || window.session().pendingReadouts() > 0) return false;
            for (int i = 0; i < list->rowCount(); ++i)
                if (!list->item(i, 1) || list->item(i, 1)->text().isEmpty()) return false;
            return true;
        },
        kWaitMs);
    return rowsOf(list);
}

TEST(LanWindow, AdapterMenuSearchAndIoControl) {
    Harness h;
    // The system's own cards, as the window lists them, and the real defaults.
    auto window = h.makeWindow(SystemAdapterSource().addresses(), NetworkSettings{});
    window->show();
    ASSERT_TRUE(window->socket().isBound());
    EXPECT_EQ(window->socket().localPort(), 4601);

    const QMenu* menu = window->findChild<QMenu*>(QStringLiteral("adapterMenu"));
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (const QAction* action : menu->actions()) items << action->text();
    EXPECT_TRUE(items.contains("lana | 192.168.1.2")) << items.join(", ").toStdString();
    EXPECT_TRUE(items.contains("lanb | 10.9.0.2")) << items.join(", ").toStdString();

    EXPECT_EQ(search(*window, 1), QStringList{"192.168.1.20"});

    window->deviceList()->selectRow(0);
    ASSERT_EQ(window->selectedDevice(), 0);
    window->actionById(ids::kIoControlCommand)->trigger();
    EXPECT_TRUE(h.prompts->shown.isEmpty()) << h.prompts->shown.join(", ").toStdString();
    const auto ioWindows = window->findChildren<CIoControlDlg*>();
    ASSERT_EQ(ioWindows.size(), 1);
    EXPECT_EQ(ioWindows.front()->findChild<QLineEdit*>("ipEdit")->text(), "192.168.1.20");
    auto* status = ioWindows.front()->findChild<QLabel*>("statusLine");
    const QString connected = QString::fromStdString(window->texts().ioConnected);
    EXPECT_TRUE(waitFor([&] { return status->text().startsWith(connected); }, kWaitMs))
        << status->text().toStdString();

    // The second card: LAN B's device, and none of LAN A's.
    int lanB = -1;
    for (int i = 0; i < static_cast<int>(window->adapterMenuIds().size()); ++i)
        if (window->actionById(window->adapterMenuIds()[i])->text().endsWith("10.9.0.2"))
            lanB = window->adapterMenuIds()[i];
    ASSERT_NE(lanB, -1);
    window->actionById(lanB)->trigger();
    EXPECT_EQ(window->socket().localAddress(), QHostAddress("10.9.0.2"));
    EXPECT_EQ(search(*window, 1), QStringList{"10.9.0.20"});
}

}  // namespace
}  // namespace tavrel::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
