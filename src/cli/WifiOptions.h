#pragma once
// The options of `tavrel-cli wifi set`, checked before anything is sent.
#include <QtCore/QStringList>
#include <optional>

#include "OptionTable.h"
#include "wifi/WifiSettings.h"

namespace tavrel::cli {

// The edit the options ask for; nothing, with the reason in *error, when they ask for no change. Their
// values were checked against the option table.
std::optional<WifiEdit> wifiEditOf(const ParsedArguments& args, QString* error);

}  // namespace tavrel::cli
