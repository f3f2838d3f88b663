#pragma once
// Builds main windows for tests: chosen adapters, a private language file, answered prompts.
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "CConfigDlg.h"
#include "Prompts.h"

namespace tavrel::test {

// Answers every prompt without a person and remembers what was asked.
class RecordingPrompts : public Prompts {
  public:
    void setButtonTexts(const QString& ok, const QString& cancel) override {
        okText = ok;
        cancelText = cancel;
    }
    void inform(const QString& caption, const QString& text, Kind) override { shown << caption + "|" + text; }
    bool confirm(const QString& caption, const QString& text) override {
        shown << caption + "|" + text;
        return confirmAnswer;
    }
    QString openFileName(const QString&, const QString& directory, const QString& filter) override {
        fileDialogs << directory + "|" + filter;
        return fileAnswer;
    }
    QString saveFileName(const QString&, const QString& directory, const QString& filter) override {
        fileDialogs << directory + "|" + filter;
        return fileAnswer;
    }

    QString okText;
    QString cancelText;
    QStringList shown;
    bool confirmAnswer = true;
    QString fileAnswer;
    QStringList fileDialogs;  // "directory|filter" of each file dialog
};

struct Harness {
    QTemporaryDir home;
    std::shared_ptr<RecordingPrompts> prompts = std::make_shared<RecordingPrompts>();
    int modalRuns = 0;  // dialogs the window ran modally
    std::function<void(QDialog&)> onModal;

    std::filesystem::path languageFile() const;
    // Writes the language file before the window starts.
    void writeLanguageFile(const std::string& bytes) const;
    std::string readLanguageFile() const;

    std::unique_ptr<CConfigDlg> makeWindow(QList<AdapterAddress> adapters = {},
                                           NetworkSettings network = loopbackNetwork());
    static NetworkSettings loopbackNetwork();
};

}  // namespace tavrel::test
