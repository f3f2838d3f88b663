#pragma once
// Command-line words: global options first, then the command and its own arguments.
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <optional>

#include "device/Secrets.h"
#include "protocol/NetworkSettings.h"
#include "texts/UiTexts.h"

namespace tavrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// Ctrl-C: what was under way finished, nothing more was started.
inline constexpr int kExitStopped = 130;

struct GlobalOptions {
    NetworkSettings network;
    std::optional<int> timeoutMs;
    bool json = false;
    SecretDisplay secrets = SecretDisplay::Masked;  // --show-secrets prints passwords as they are
    Language language = Language::English;
    bool help = false;
    bool version = false;
    QString command;
    QStringList arguments;  // what follows the command
};

// Environment first, then the options; an error text on a usage error.
std::optional<GlobalOptions> parseGlobalOptions(const QStringList& args, NetworkSettings fromEnvironment,
                                                QString* error);

// Takes "--name value" or "--name=value" out of `args`; an error when the value is missing.
std::optional<QString> takeOption(QStringList& args, const QString& name, QString* error);
bool takeFlag(QStringList& args, const QString& name);

}  // namespace tavrel::cli
