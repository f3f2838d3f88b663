#include "WifiOptions.h"

namespace tavrel::cli {

std::optional<WifiEdit> wifiEditOf(const ParsedArguments& args, QString* error) {
    auto bytes = [&](const char* name) -> std::optional<std::string> {
        if (auto v = args.text(name)) return v->toStdString();
        return std::nullopt;
    };
    WifiEdit edit;
    if (auto mode = args.text("--mode")) edit.mode = parseWifiMode(mode->toStdString());
    edit.apSsid = bytes("--ap-ssid");
    edit.apPassword = bytes("--ap-password");
    edit.staSsid = bytes("--sta-ssid");
    edit.staPassword = bytes("--sta-password");
    if (!edit.mode && !edit.apSsid && !edit.apPassword && !edit.staSsid && !edit.staPassword) {
        *error = QStringLiteral(
            "wifi set: nothing to change (give --mode, --ap-ssid, --ap-password, "
            "--sta-ssid or --sta-password)");
        return std::nullopt;
    }
    return edit;
}

}  // namespace tavrel::cli
