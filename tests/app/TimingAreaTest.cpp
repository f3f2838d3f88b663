// The output time group and the "保存配置" button against simulated IO boards: the read and save
// chains of a 302-byte board with their resends, the editor, and the packed write of image boards.
#include <gtest/gtest.h>

#include <QtWidgets/QComboBox>
#include <QtWidgets/QDateEdit>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QTimeEdit>

#include "ControlIds.h"
#include "FormBench.h"
#include "QtText.h"
#include "TimingArea.h"
#include "device/FixedLists.h"
#include "texts/FixedTexts.h"

namespace tavrel::test {
namespace {

using sim::SimKind;

constexpr std::uint8_t kPassThrough = 0x03;

sim::SimDeviceConfig board(SimKind kind, int host) {
    sim::SimDeviceConfig c;
    c.kind = kind;
    c.address = {127, 0, 0, static_cast<std::uint8_t>(host)};
    c.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, static_cast<std::uint8_t>(host)};
    c.outputTiming = kind == SimKind::Board302;
    return c;
}

struct TimingFixture : SimBench {
    explicit TimingFixture(sim::SimDeviceConfig config, const std::string& language = "e")
        : SimBench({config}, language) {
        ready = showActive(*window) && search();
        device = simulator.device(0);
        selectRow(*window, 0);
        device->clearLog();
    }
    void press(int id) { window->controlAs<QPushButton>(id)->click(); }
    QString status() const { return window->controlAs<QLabel>(ids::kTimingStatusLabel)->text(); }
    QString cell(int row, int column) const {
        auto* item = window->scheduleList()->item(row, column);
        return item ? item->text() : QString();
    }
    bool readAll() {
        press(ids::kReadScheduleButton);
        return waitUntil([&] { return status() == qs(fixed::kParametersRead); });
    }
    int passThroughFrames() const { return device->framesReceived('W', kPassThrough); }
    QLineEdit* edit(int id) const { return window->controlAs<QLineEdit>(id); }
    // A click on the list's row as the user makes it.
    void clickRow(int row) {
        window->scheduleList()->selectRow(row);
        window->timingArea().loadRow();
    }
    QString lastMessage() const {
        return harness.prompts->shown.value(harness.prompts->shown.size() - 1).section('|', 1);
    }

    bool ready = false;
    sim::SimDevice* device = nullptr;
};

TEST(TimingArea, ReadChainFillsEightRowsAndTheBoardClock) {
    TimingFixture f(board(SimKind::Board302, 31));
    ASSERT_TRUE(f.ready);
    ASSERT_TRUE(f.window->control(ids::kReadScheduleButton)->isVisibleTo(f.window.get()));
    const QDate before = f.device->boardClock().date();
    ASSERT_TRUE(f.readAll());
    EXPECT_EQ(f.passThroughFrames(), 11);
    ASSERT_EQ(f.window->scheduleList()->rowCount(), 8);
    for (int n = 0; n < 8; ++n) EXPECT_EQ(f.cell(n, 0), QStringLiteral("第 %1 路").arg(n + 1));
    // The simulated board's first output: Monday 08:00 on, Friday 18:00 off.
    EXPECT_EQ(f.cell(0, 1), qs("星期"));
    EXPECT_EQ(f.cell(0, 2), qs("星期一  08:00:00"));
    EXPECT_EQ(f.cell(0, 3), qs("星期五  18:00:00"));
    EXPECT_EQ(f.window->controlAs<QLabel>(ids::kBoardTextLabel)->text(), QStringLiteral("RTC-8CH"));
    // The board's date when it was read: the read may cross midnight.
    const QDate shown = f.window->controlAs<QDateEdit>(ids::kBoardDate)->date();
    EXPECT_TRUE(shown == before || shown == f.device->boardClock().date()) << shown.toString().toStdString();
    EXPECT_EQ(f.window->controlAs<QLineEdit>(ids::kBoardWeekday)->text(),
              qs(lists::kWeekdays[static_cast<std::size_t>(shown.dayOfWeek() - 1)]));
}

TEST(TimingArea, LostRepliesAreAskedForAgain) {
    sim::SimDeviceConfig lossy = board(SimKind::Board302, 32);
    lossy.options.dropEvery = 3;  // the search reply is the first; a timing reply is lost every third
    TimingFixture f(lossy);
    ASSERT_TRUE(f.ready);
    bool sawResend = false;
    f.press(ids::kReadScheduleButton);
    ASSERT_TRUE(waitUntil(
        [&] {
            sawResend = sawResend || f.status() == qs(fixed::kResending);
            return f.status() == qs(fixed::kParametersRead);
        },
        20000));
    EXPECT_GT(f.device->repliesDropped(), 0);
    EXPECT_GT(f.passThroughFrames(), 11);
    EXPECT_EQ(f.window->scheduleList()->rowCount(), 8);
}

TEST(TimingArea, ModifyAndSaveReachTheBoard) {
    TimingFixture f(board(SimKind::Board302, 33));
    ASSERT_TRUE(f.ready);
    // Saving before anything was read only says so.
    f.press(ids::kSaveScheduleButton);
    EXPECT_EQ(f.status(), QStringLiteral("please read  parameter first"));
    EXPECT_EQ(f.passThroughFrames(), 0);
    ASSERT_TRUE(f.readAll());

    f.clickRow(1);
    f.window->controlAs<QRadioButton>(ids::kStrobeRadio)->click();
    EXPECT_TRUE(f.edit(ids::kStrobeOpenEdit)->isEnabled());
    EXPECT_FALSE(f.edit(ids::kOpenYearEdit)->isEnabled());
    f.edit(ids::kStrobeOpenEdit)->setText("300");
    f.edit(ids::kStrobeCloseEdit)->setText("200");
    f.press(ids::kModifyButton);
    EXPECT_EQ(f.cell(1, 1), qs("频闪"));
    EXPECT_EQ(f.cell(1, 2), QStringLiteral("300"));

    f.clickRow(2);
    f.window->controlAs<QRadioButton>(ids::kTimerRadio)->click();
    const char* open[] = {"2030", "FF", "FF", "07", "08", "09"};
    for (int k = 0; k < 6; ++k) {
        f.edit(ids::kOpenYearEdit + k)->setText(open[k]);
        f.edit(ids::kCloseYearEdit + k)->setText("ff");
    }
    f.press(ids::kModifyButton);
    EXPECT_EQ(f.cell(2, 2), qs("2030-00-ff  07:08:09"));
    EXPECT_EQ(f.cell(2, 3), qs("ff-ff-ff  ff:ff:ff"));

    f.device->clearLog();
    f.press(ids::kSaveScheduleButton);
    ASSERT_TRUE(waitUntil([&] { return f.status() == qs(fixed::kParametersSaved); }));
    EXPECT_EQ(f.passThroughFrames(), 9);
    const auto& table = f.device->settings().board.schedules;
    EXPECT_EQ(table[18 + 17], 2);     // channel 2: strobe
    EXPECT_EQ(table[18 + 12], 0x2C);  // 300, kept little-endian by the board
    EXPECT_EQ(table[18 + 13], 0x01);
    EXPECT_EQ(std::vector<std::uint8_t>(table.begin() + 36, table.begin() + 42),
              (std::vector<std::uint8_t>{30, 0, 255, 7, 8, 9}));
    EXPECT_EQ(table[17], 3);  // channel 1 went back unchanged
}

TEST(TimingArea, EditorRefusalsChangeNothing) {
    TimingFixture f(board(SimKind::Board302, 34), "c");
    ASSERT_TRUE(f.ready);
    ASSERT_TRUE(f.readAll());
    // Modify with no mode chosen.
    f.window->scheduleList()->selectRow(0);
    f.press(ids::kModifyButton);
    EXPECT_EQ(f.lastMessage(), qs(fixed::kChooseMode));
    // A click that selects no row.
    f.window->scheduleList()->clearSelection();
    f.window->timingArea().loadRow();
    EXPECT_EQ(f.lastMessage(), qs(f.window->texts().chooseScheduleRow));
    // Week with no weekday chosen shows the times alone.
    f.clickRow(0);
    EXPECT_TRUE(f.window->controlAs<QRadioButton>(ids::kWeekRadio)->isChecked());
    EXPECT_EQ(f.window->controlAs<QComboBox>(ids::kOpenWeekdayList)->currentIndex(), 0);
    f.window->controlAs<QComboBox>(ids::kOpenWeekdayList)->setCurrentIndex(-1);
    f.window->controlAs<QComboBox>(ids::kCloseWeekdayList)->setCurrentIndex(-1);
    f.press(ids::kModifyButton);
    EXPECT_EQ(f.cell(0, 2), QStringLiteral("08:00:00"));
}

TEST(TimingArea, ImageBoardSavesAndCalibratesInOnePackedFrame) {
    TimingFixture f(board(SimKind::Board830, 35));
    ASSERT_TRUE(f.ready);
    EXPECT_TRUE(f.window->control(ids::kSaveConfigButton)->isVisibleTo(f.window.get()));
    EXPECT_FALSE(f.window->control(ids::kSaveNetworkButton)->isVisibleTo(f.window.get()));
    EXPECT_EQ(f.window->scheduleList()->rowCount(), 4);  // the board's channel count digit
    EXPECT_EQ(f.cell(0, 2), qs("星期一  08:00:00"));

    f.edit(ids::kIpAddressEdit)->setText("10.1.2.3");
    f.press(ids::kSaveConfigButton);
    EXPECT_EQ(f.window->statusText(2), qs(f.window->texts().sendingData));
    ASSERT_TRUE(
        waitUntil([&] { return f.window->statusText(2) == qs(f.window->texts().savedSuccessfully); }));
    EXPECT_EQ(f.device->packedWrites(), 1);
    EXPECT_EQ(f.device->settings().network[0], 10);
    EXPECT_EQ(f.device->settings().network[3], 3);
    ASSERT_FALSE(f.device->frames().empty());
    EXPECT_EQ(f.device->frames().back().bytes.size(), 830u);
    EXPECT_EQ(f.device->frames().back().bytes[791], 0);

    f.window->controlAs<QDateEdit>(ids::kBoardDate)->setDate(QDate(2031, 3, 9));  // a Sunday
    EXPECT_EQ(f.window->controlAs<QLineEdit>(ids::kBoardWeekday)->text(), qs("星期日"));
    f.window->controlAs<QTimeEdit>(ids::kBoardTime)->setTime(QTime(6, 5, 4));
    f.press(ids::kCalibrateButton);
    ASSERT_TRUE(waitUntil([&] { return f.device->packedWrites() == 2; }));
    const auto& frame = f.device->frames().back().bytes;
    EXPECT_EQ(frame[791], 1);
    EXPECT_EQ(frame[4 + 783], 7);
    EXPECT_EQ(f.device->boardClock().date(), QDate(2031, 3, 9));
}

TEST(TimingArea, WifiBoardSaveCarriesTheWifiGroup) {
    TimingFixture f(board(SimKind::Board302, 37));
    ASSERT_TRUE(f.ready);
    f.window->controlAs<QComboBox>(ids::kWifiModeList)->setCurrentIndex(1);  // STA
    // Too long for its field: refused with the limit, never cut.
    f.edit(ids::kStaSsidEdit)->setText(QString(40, 's'));
    f.press(ids::kSaveConfigButton);
    ASSERT_FALSE(f.harness.prompts->shown.isEmpty());
    EXPECT_TRUE(f.harness.prompts->shown.last().contains("STA SSID"))
        << f.harness.prompts->shown.last().toStdString();
    f.edit(ids::kStaSsidEdit)->setText(QString(31, 's'));
    f.press(ids::kSaveConfigButton);
    ASSERT_TRUE(waitUntil([&] { return f.device->packedWrites() == 1; }));
    const auto& frame = f.device->frames().back().bytes;
    ASSERT_EQ(frame.size(), 302u);
    EXPECT_EQ(frame[4 + 1], 2);  // mode list index + 1
    // The longest SSID the field keeps, its last byte zero.
    for (std::size_t i = 0; i < 31; ++i) EXPECT_EQ(frame[4 + 66 + i], 's') << i;
    EXPECT_EQ(frame[4 + 66 + 31], 0);
}

TEST(TimingArea, LongHostIsRefusedAndNothingIsSent) {
    TimingFixture f(board(SimKind::Board866, 36));
    ASSERT_TRUE(f.ready);
    f.edit(ids::kRemoteHostEdit)->setText(QString(33, 'h'));
    f.edit(ids::kIpAddressEdit)->setText("10.9.9.9");
    f.press(ids::kSaveConfigButton);
    EXPECT_EQ(f.lastMessage(), qs(fixed::kInvalidRemoteHost));
    // Refused before anything was queued.
    EXPECT_TRUE(f.window->session().sequencer().isIdle());
    EXPECT_NE(f.window->statusText(2), qs(f.window->texts().sendingData));
    EXPECT_NE(f.window->devices()[0].network.ip, (Ipv4{10, 9, 9, 9}));  // the record kept its values
    EXPECT_EQ(f.device->packedWrites(), 0);
}

}  // namespace
}  // namespace tavrel::test
