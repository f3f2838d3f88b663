#include "WifiOptions.h"

#include "CliOptions.h"

namespace tavrel::cli {

namespace {

// A text option that must fit its field with the closing zero; a longer one would be cut silently.
std::optional<std::string> textOption(QStringList& args, const QString& name, std::size_t maxBytes,
                                      QString* error) {
    auto v = takeOption(args, name, error);
    if (!v) return std::nullopt;
    std::string bytes = v->toStdString();
    if (bytes.size() > maxBytes) {
        *error = QStringLiteral("%1: at most %2 bytes, not %3").arg(name).arg(maxBytes).arg(bytes.size());
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

std::optional<WifiEdit> takeWifiSetOptions(QStringList& args, QString* error) {
    WifiEdit edit;
    error->clear();
    if (auto mode = takeOption(args, "--mode", error)) {
        edit.mode = parseWifiMode(mode->toStdString());
        if (!edit.mode) *error = QStringLiteral("--mode: AP or STA, not %1").arg(*mode);
    }
    if (error->isEmpty()) edit.apSsid = textOption(args, "--ap-ssid", kMaxSsidBytes, error);
    if (error->isEmpty()) edit.apPassword = textOption(args, "--ap-password", kMaxWifiPasswordBytes, error);
    if (error->isEmpty()) edit.staSsid = textOption(args, "--sta-ssid", kMaxSsidBytes, error);
    if (error->isEmpty()) edit.staPassword = textOption(args, "--sta-password", kMaxWifiPasswordBytes, error);
    if (!error->isEmpty()) return std::nullopt;
    if (!edit.mode && !edit.apSsid && !edit.apPassword && !edit.staSsid && !edit.staPassword) {
        *error = QStringLiteral(
            "wifi set: nothing to change (give --mode, --ap-ssid, --ap-password, "
            "--sta-ssid or --sta-password)");
        return std::nullopt;
    }
    for (const QString& word : args) {
        if (word.startsWith("--")) {
            *error = QStringLiteral("wifi set: unknown option %1").arg(word);
            return std::nullopt;
        }
    }
    return edit;
}

}  // namespace tavrel::cli
