// The main window on screens smaller than its 782 x 376 dialog units: it stays inside the work
// area and its page scrolls.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QScrollBar>

#include "CIoControlDlg.h"
#include "DialogUnits.h"
#include "ScreenFit.h"
#include "StatusBar.h"
#include "WindowHarness.h"

namespace tavrel::test {
namespace {

constexpr QMargins kFrame(8, 31, 8, 8);
constexpr int kBar = 17;
// The page of the window on a common desktop font, with 46 pixels of menu and status bar.
constexpr QSize kPage(1369, 776);
constexpr int kChrome = 46;

TEST(ScreenFit, ClientSizeForTheWorkArea) {
    struct Case {
        const char* what;
        QSize available;
        QSize client;
    };
    const Case cases[] = {
        {"room to spare: the whole page, no bars", {1920, 1040}, {1369, 822}},
        {"1366 x 768 less a task bar: both bars", {1366, 728}, {1350, 689}},
        {"only too low: a vertical bar widens it", {1600, 800}, {1369 + kBar, 761}},
        {"exactly wide enough until the vertical bar needs room", {1369 + 16 + 5, 800}, {1374, 761}},
        {"exactly high enough until the horizontal bar needs room", {1300, 822 + 39}, {1284, 822}},
        {"a screen too small for any use keeps a usable window", {200, 100}, {320, 240}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fittedClientSize(kPage, kChrome, c.available, kFrame, kBar), c.client) << c.what;
}

TEST(ScreenFit, WindowStaysOnItsScreenAndThePageScrollsToEveryControl) {
    Harness h;
    auto window = h.makeWindow();
    window->show();
    const QRect work = window->screen()->availableGeometry();

    const auto* scroll = window->findChild<QScrollArea*>(QStringLiteral("pageScroll"));
    const QWidget* page = window->findChild<QWidget*>(QStringLiteral("page"));
    const auto* status = window->findChild<StatusBar*>();
    ASSERT_TRUE(scroll && page && status);
    EXPECT_EQ(scroll->widget(), page);

    // The layout itself is kept: page and status bar make up 782 x 376 units of the window font.
    const DialogUnits du(window->font());
    EXPECT_EQ(page->width(), du.x(782));
    EXPECT_EQ(page->height() + status->height(), du.y(376));

    EXPECT_LE(window->frameGeometry().width(), work.width());
    EXPECT_LE(window->frameGeometry().height(), work.height());
    const QSize seen = scroll->viewport()->size();
    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), std::max(0, page->width() - seen.width()));
    EXPECT_EQ(scroll->verticalScrollBar()->maximum(), std::max(0, page->height() - seen.height()));
    // A direction scrolls only when the window has taken all the room the work area gives it (less
    // a frame, which the test screen does not draw but the window leaves room for).
    constexpr int kFrameAllowance = 40;
    if (scroll->verticalScrollBar()->maximum() > 0) {
        EXPECT_GE(window->height(), work.height() - kFrameAllowance);
    }
    if (scroll->horizontalScrollBar()->maximum() > 0) {
        EXPECT_GE(window->width(), work.width() - kFrameAllowance);
    }
    // The status bar stays below the page, whatever is scrolled.
    EXPECT_EQ(status->geometry().bottom(), window->height() - 1);
    EXPECT_EQ(status->width(), window->width());
}

// The IO window, 868 x 795 pixels of page, on the same screen: whole on it, its page scrolling.
TEST(ScreenFit, IoWindowStaysOnItsScreen) {
    Harness h;
    UiTexts texts;
    texts.load(Language::English);
    CIoControlDlg window(texts, std::nullopt, h.prompts,
                         std::filesystem::path(h.home.path().toStdString()) / "io.ini", nullptr);
    window.show();
    QCoreApplication::sendPostedEvents();
    const QRect work = window.screen()->availableGeometry();
    const auto* scroll = window.findChild<QScrollArea*>(QStringLiteral("ioPageScroll"));
    ASSERT_TRUE(scroll);
    EXPECT_EQ(scroll->widget(), window.page());
    EXPECT_LE(window.frameGeometry().width(), work.width());
    EXPECT_LE(window.frameGeometry().height(), work.height());
    const QSize seen = scroll->viewport()->size();
    EXPECT_EQ(scroll->verticalScrollBar()->maximum(), std::max(0, window.page()->height() - seen.height()));
}

}  // namespace
}  // namespace tavrel::test
