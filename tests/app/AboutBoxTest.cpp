// The About command and the about box in each language; later commands stay quiet for now.
#include <gtest/gtest.h>

#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include "CAboutDlg.h"
#include "CIoControlDlg.h"
#include "ControlIds.h"
#include "DialogUnits.h"
#include "WindowHarness.h"

namespace tavrel::test {
namespace {

struct Seen {
    QString caption, version, notice, ok;
    bool okIsDefault = false;
};

Seen openAbout(Harness& h, CConfigDlg& window) {
    Seen seen;
    h.onModal = [&seen](QDialog& dialog) {
        auto* about = qobject_cast<CAboutDlg*>(&dialog);
        ASSERT_NE(about, nullptr);
        seen = {about->windowTitle(), about->versionLabel()->text(), about->noticeLabel()->text(),
                about->okButton()->text(), about->okButton()->isDefault()};
    };
    h.modalRuns = 0;
    window.actionById(ids::kAboutCommand)->trigger();
    EXPECT_EQ(h.modalRuns, 1);
    return seen;
}

TEST(AboutBox, ShowsVersionNoticeAndButtonOfTheCurrentLanguage) {
    Harness h;
    auto window = h.makeWindow();
    const Seen chinese = openAbout(h, *window);
    EXPECT_EQ(chinese.caption, "关于");
    EXPECT_EQ(chinese.version, "V228 ");
    EXPECT_EQ(chinese.ok, "确定");
    EXPECT_TRUE(chinese.okIsDefault);
    EXPECT_EQ(chinese.notice, QString::fromStdString(window->texts().aboutNotice));
    EXPECT_FALSE(chinese.notice.isEmpty());

    window->actionById(ids::kEnglishCommand)->trigger();
    const Seen english = openAbout(h, *window);
    EXPECT_EQ(english.caption, "About");
    EXPECT_EQ(english.version, "V228 ");
    EXPECT_EQ(english.ok, "OK");
    EXPECT_EQ(english.notice, QString::fromStdString(window->texts().aboutNotice));
    EXPECT_NE(english.notice, chinese.notice);
}

TEST(AboutBox, LinesKeepTheirTemplateSlotsAndFitThem) {
    for (bool english : {false, true}) {
        UiTexts texts;
        english ? texts.loadEnglish() : texts.loadChinese();
        CAboutDlg about(texts);
        const DialogUnits du(about.font());
        EXPECT_EQ(about.versionLabel()->geometry(), du.rect(40, 10, 119, 8));
        EXPECT_EQ(about.noticeLabel()->geometry(), du.rect(40, 25, 119, 8));
        for (const QLabel* line : {about.versionLabel(), about.noticeLabel()}) {
            EXPECT_FALSE(line->wordWrap());
            EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()), line->width())
                << line->text().toStdString();
            // The line is centred in its slot; its ink, not its leading, must show whole.
            const QFontMetrics m = line->fontMetrics();
            const int baseline = (line->height() - m.height()) / 2 + m.ascent();
            const QRect ink = m.tightBoundingRect(line->text());
            EXPECT_GE(baseline + ink.top(), 0) << line->text().toStdString();
            EXPECT_LE(baseline + ink.bottom(), line->height()) << line->text().toStdString();
        }
        EXPECT_EQ(about.size(), QSize(du.x(235), du.y(55)));
    }
}

TEST(AboutBox, OkClosesIt) {
    UiTexts texts;
    texts.loadEnglish();
    CAboutDlg about(texts);
    about.show();
    about.okButton()->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

// With no device: Export asks for one, Import asks for a file, IO Control opens an empty IO window.
// (The firmware command opens its dialog: FirmwareTest.)
TEST(MenuCommands, DeviceMenuCommandsWithoutADevice) {
    Harness h;
    auto window = h.makeWindow();
    window->actionById(ids::kExportProfileCommand)->trigger();
    EXPECT_EQ(window->statusText(0), qs(window->texts().selectDevicePrompt));
    EXPECT_TRUE(h.prompts->fileDialogs.isEmpty());
    window->actionById(ids::kImportProfileCommand)->trigger();
    EXPECT_EQ(h.prompts->fileDialogs.size(), 1);
    EXPECT_TRUE(window->findChildren<CIoControlDlg*>().isEmpty());
    window->actionById(ids::kIoControlCommand)->trigger();
    EXPECT_EQ(window->findChildren<CIoControlDlg*>().size(), 1);
    EXPECT_TRUE(h.prompts->shown.isEmpty());
}

}  // namespace
}  // namespace tavrel::test
