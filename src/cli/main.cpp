// tavrel-cli: the device actions of the window, for terminals and scripts.
#include <QtCore/QCoreApplication>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QTextStream>
#include <map>

#include "CommandHelp.h"
#include "Commands.h"
#include "Environment.h"
#include "FileSync.h"
#include "PrintableOutput.h"
#include "tavrel/Version.h"

using namespace tavrel;
using namespace tavrel::cli;

namespace {

using Runner = int (*)(Context&);
const std::map<QString, Runner> kRunners = {{"search", runSearch},
                                            {"show", runShow},
                                            {"restart", runRestart},
                                            {"reset", runReset},
                                            {"set-network", runSetNetwork},
                                            {"set-port", runSetPort},
                                            {"export", runExport},
                                            {"import", runImport},
                                            {"diff", runDiff},
                                            {"apply", runApply},
                                            {"wifi", runWifi},
                                            {"io", runIo},
                                            {"io-test", runIoTest},
                                            {"timing", runTiming},
                                            {"clock", runClock},
                                            {"upgrade", runUpgrade},
                                            {"doctor", runDoctor},
                                            {"snapshots", runSnapshots},
                                            {"rollback", runRollback},
                                            {"fleet", runFleet}};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tavrel::installFileSync();
    // Declared before the streams, which flush into them when they go.
    PrintableOutput printedOut(stdout);
    PrintableOutput printedErr(stderr);
    QTextStream out(&printedOut);
    QTextStream err(&printedErr);
    QString error;
    if (auto problem = environmentProblem()) {
        err << QString::fromStdString(*problem) << "; nothing was sent\n";
        return kExitUsage;
    }
    auto options = parseCommandLine(app.arguments().mid(1), networkSettingsFromEnvironment(), &error);
    if (!options) {
        err << error << '\n';
        return kExitUsage;
    }
    if (options->version) {
        if (options->json)
            out << QJsonDocument(
                       QJsonObject{{"version", QString::fromUtf8(kVersion)}, {"jsonFormat", kJsonFormat}})
                       .toJson(QJsonDocument::Compact)
                << '\n';
        else
            out << "tavrel-cli " << kVersion << '\n';
        return kExitOk;
    }
    if (options->command.isEmpty()) {
        (options->help ? out : err) << usageText();
        return options->help ? kExitOk : kExitUsage;
    }
    if (options->help) {
        out << commandHelp(options->command, options->sub);
        return kExitOk;
    }
    if (options->command == "completion") {
        const QString script = completionScript(options->arguments.operands.front());
        if (script.isEmpty()) {
            err << "completion: bash, zsh or fish, not " << options->arguments.operands.front() << '\n';
            return kExitUsage;
        }
        out << script;
        return kExitOk;
    }
    UiTexts texts;
    texts.load(options->language);
    Context ctx{*options, texts, out, err};
    return kRunners.at(options->command)(ctx);
}
