// Keys and wheel steps that a user does not mean as edits: they change no device setting and do not
// close the window.
#include <gtest/gtest.h>

#include <QtTest/QSpontaneKeyEvent>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDateEdit>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QVBoxLayout>

#include "ControlIds.h"
#include "FormBench.h"

namespace tavrel::test {
namespace {

// One wheel step down over the middle of `widget`, as the window system delivers it: it may give
// focus and travels on to the parents while no one takes it.
void wheelDown(QWidget* widget) {
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent step(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&step);
    QApplication::instance()->notify(widget, &step);
}

TEST(MouseWheel, ListsWithoutFocusKeepTheirChoiceAndThePageScrollsInstead) {
    FormFixture f;
    auto* baud = f.window->controlAs<QComboBox>(ids::kBaudRateList);
    ASSERT_EQ(baud->currentText(), "9600");
    f.edit(ids::kRemoteHostEdit)->setFocus();

    auto* scroll = f.window->findChild<QScrollArea*>(QStringLiteral("pageScroll"));
    ASSERT_NE(scroll, nullptr);
    const int scrolledBefore = scroll->verticalScrollBar()->value();
    wheelDown(baud);
    EXPECT_EQ(baud->currentText(), "9600");
    EXPECT_EQ(f.port1().baudRate, 5);
    EXPECT_TRUE(f.edit(ids::kRemoteHostEdit)->hasFocus());
    // The test screen is smaller than the window, so the step moves the page.
    if (scroll->verticalScrollBar()->maximum() > 0) {
        EXPECT_GT(scroll->verticalScrollBar()->value(), scrolledBefore);
    }

    for (QComboBox* list : f.window->findChildren<QComboBox*>()) {
        if (!list->isVisible() || !list->isEnabled()) continue;
        const int before = list->currentIndex();
        wheelDown(list);
        EXPECT_EQ(list->currentIndex(), before) << list->objectName().toStdString();
        EXPECT_FALSE(list->hasFocus()) << list->objectName().toStdString();
    }
    auto* date = f.window->controlAs<QDateEdit>(ids::kBoardDate);
    const QDate day = date->date();
    wheelDown(date);
    EXPECT_EQ(date->date(), day);

    // A list the user has put the focus in still follows the wheel, and stores the choice.
    baud->setFocus();
    wheelDown(baud);
    EXPECT_EQ(baud->currentText(), "14400");
    EXPECT_EQ(f.port1().baudRate, 6);
}

TEST(MouseWheel, ListsOfOtherWindowsAreGuardedToo) {
    Harness h;
    auto window = h.makeWindow();
    QWidget dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* edit = new QLineEdit(&dialog);
    auto* list = new QComboBox(&dialog);
    list->addItems({"a", "b", "c"});
    layout->addWidget(edit);
    layout->addWidget(list);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus();
    wheelDown(list);
    EXPECT_EQ(list->currentIndex(), 0);
    list->setFocus();
    wheelDown(list);
    EXPECT_EQ(list->currentIndex(), 1);
}

TEST(MainWindowKeys, EscapeDoesNothingAndEnterStoresTheEditItIsPressedIn) {
    FormFixture f;
    QLineEdit* interval = f.edit(ids::kHeartbeatTimeEdit);
    interval->setFocus();
    QTest::keyClick(interval, Qt::Key_Escape);
    EXPECT_TRUE(f.window->isVisible());

    interval->selectAll();
    QTest::keyClicks(interval, "30");
    QTest::keyClick(interval, Qt::Key_Return);
    EXPECT_TRUE(f.window->isVisible());
    EXPECT_EQ(f.port1().heartbeatInterval, 30u);
    EXPECT_TRUE(interval->hasFocus());

    QLineEdit* host = f.edit(ids::kRemoteHostEdit);
    host->setFocus();
    host->selectAll();
    QTest::keyClicks(host, "relay.example");
    QTest::keyClick(host, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(textOf(f.port1().remoteHost), "relay.example");
    EXPECT_TRUE(f.window->isVisible());
    EXPECT_TRUE(f.h.prompts->shown.isEmpty());

    // An edit without a store of its own (copied when the network group is saved) takes Enter quietly.
    QLineEdit* ip = f.edit(ids::kIpAddressEdit);
    ip->setFocus();
    QTest::keyClick(ip, Qt::Key_Return);
    EXPECT_TRUE(f.window->isVisible());
}

TEST(MainWindowKeys, RefusedEnterIsNotStoredAgainAsEmptyOnLeaving) {
    FormFixture f;
    QLineEdit* timeout = f.edit(ids::kModbusTimeoutEdit);
    timeout->setFocus();
    timeout->selectAll();
    QTest::keyClicks(timeout, "12a");
    QTest::keyClick(timeout, Qt::Key_Return);
    ASSERT_EQ(f.h.prompts->shown.size(), 1);
    EXPECT_EQ(f.message(0), QStringLiteral("请输入0-65535的数字！"));
    EXPECT_TRUE(timeout->text().isEmpty());

    // Leaving the emptied edit would store 0 through the empty text.
    QTest::keyClick(timeout, Qt::Key_Tab);
    EXPECT_FALSE(timeout->hasFocus());
    EXPECT_EQ(f.port1().modbusTimeout, 200);
    EXPECT_EQ(f.h.prompts->shown.size(), 1);

    // Typed into again, leaving stores it as ever.
    timeout->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(timeout, "300");
    QTest::keyClick(timeout, Qt::Key_Tab);
    EXPECT_EQ(f.port1().modbusTimeout, 300);
}

}  // namespace
}  // namespace tavrel::test
