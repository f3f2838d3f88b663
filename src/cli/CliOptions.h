#pragma once
// Command-line words: global options, the command, its own options and operands, all checked against
// the option table before anything is sent.
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <optional>

#include "OptionTable.h"
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
    QString sub;                          // "scan" of "wifi scan"
    const CommandEntry* entry = nullptr;  // the command's table, once it is known
    ParsedArguments arguments;            // what follows the command
};

// Environment first, then the options, wherever they stand; an error text on a usage error.
std::optional<GlobalOptions> parseCommandLine(const QStringList& args, NetworkSettings fromEnvironment,
                                              QString* error);

}  // namespace tavrel::cli
