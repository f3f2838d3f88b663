// The JSON page of the repository holds: every key a command prints is on it, every key it marks
// "always" is printed.
#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <map>

#include "CliHarness.h"

namespace clitest {
namespace {

// object -> key -> whether it is always present, from the page's tables.
using Page = std::map<QString, std::map<QString, bool>>;

Page readPage() {
    QFile file(QStringLiteral(TAVREL_JSON_PAGE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    Page page;
    static const QRegularExpression row(QStringLiteral(R"(^\| (\w+) \| (\w+) \| [^|]+ \| ([^|]+) \|$)"));
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
        if (const auto m = row.match(line.trimmed()); m.hasMatch() && m.captured(1) != "object")
            page[m.captured(1)][m.captured(2)] = m.captured(3).trimmed() == "always";
    return page;
}

void holds(const Page& page, const QString& object, const QJsonValue& printed, const QString& what) {
    ASSERT_TRUE(page.count(object)) << object.toStdString();
    const QJsonArray list = printed.isArray() ? printed.toArray() : QJsonArray{printed};
    ASSERT_FALSE(list.isEmpty()) << what.toStdString();
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        for (const QString& key : o.keys())
            EXPECT_TRUE(page.at(object).count(key))
                << what.toStdString() << ": undocumented " << key.toStdString();
        for (const auto& [key, always] : page.at(object))
            if (always) EXPECT_TRUE(o.contains(key)) << what.toStdString() << ": no " << key.toStdString();
    }
}

QJsonValue jsonOf(const CliRun& run) {
    const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8());
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

TEST(CliJsonPage, EveryCommandPrintsTheDocumentedKeys) {
    const Page page = readPage();
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1", "kind=302,timing"});
    const quint16 port = sim->devicePort();
    QTemporaryDir dir;
    const QString profile = dir.filePath("p.ini");
    const QString sheet = dir.filePath("fleet.csv");
    const QString image = dir.filePath("fw_V150.bin");
    {
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1000, 'x'));
    }
    ASSERT_EQ(runCli(port, {"export", "127.0.0.2", profile}).exitCode, 0);
    {
        QFile f(sheet);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(runCli(port, {"search", "--csv"}).out.toUtf8());
    }

    const std::pair<const char*, QStringList> runs[] = {
        {"device", {"search"}},
        {"write", {"set-port", "127.0.0.2", "--port", "1", "--baud", "9600"}},
        {"apply", {"apply", profile, "127.0.0.2"}},
        {"clock", {"clock", "--check", "127.0.0.3"}},
        {"timing", {"timing", "read", "127.0.0.3"}},
        {"upgrade", {"upgrade", image, "127.0.0.2", "--dry-run"}},
        {"fleet", {"fleet", "plan", sheet}},
    };
    for (const auto& [object, args] : runs) {
        const CliRun run = runCli(port, QStringList{QStringLiteral("--json")} + args);
        holds(page, object, jsonOf(run), args.join(' ') + " -> " + run.out + run.err);
    }
    const QJsonObject version = jsonOf(runCliRaw({"--version", "--json"})).toObject();
    const QString text = [] {
        QFile f(QStringLiteral(TAVREL_JSON_PAGE));
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }();
    EXPECT_TRUE(text.contains(QStringLiteral("**Format version %1.**").arg(version["jsonFormat"].toInt())));
}

}  // namespace
}  // namespace clitest
