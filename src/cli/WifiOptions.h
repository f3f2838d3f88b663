#pragma once
// The options of `tavrel-cli wifi set`, checked before anything is sent.
#include <QtCore/QStringList>
#include <optional>

#include "wifi/WifiSettings.h"

namespace tavrel::cli {

// Takes --mode AP|STA, --ap-ssid, --ap-password, --sta-ssid and --sta-password out of `args`. Nothing,
// with the reason in *error, when a value is missing, unknown or too long for its field, or when no
// option is given at all.
std::optional<WifiEdit> takeWifiSetOptions(QStringList& args, QString* error);

}  // namespace tavrel::cli
