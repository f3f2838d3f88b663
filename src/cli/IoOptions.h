#pragma once
// What `tavrel-cli io` is asked: the connection, the board's protocol and address, the ACTION.
#include <QtNetwork/QHostAddress>
#include <optional>

#include "OptionTable.h"
#include "iocontrol/IoBoardState.h"
#include "iocontrol/IoFraming.h"

namespace tavrel::cli {

inline constexpr unsigned kDefaultWatchIntervalMs = 200;

struct Endpoint {
    QHostAddress address;
    quint16 port = 0;
};

struct IoArguments {
    IoConnectionType type = IoConnectionType::None;
    Endpoint endpoint;
    Endpoint destination;
    IoProtocol protocol = IoProtocol::Custom;
    int address = 1;
    bool json = false;
    bool log = false;
    QString action;
    int output = 0;
    bool on = false;
    std::uint16_t timeValue = 0;
    unsigned intervalMs = kDefaultWatchIntervalMs;
    int count = 0;  // watch: 0 = until stopped
};

// The io command line, its options already checked against the table; nothing, with the reason in
// `error`, for a connection or ACTION that does not hold together.
std::optional<IoArguments> parseIoLine(const ParsedArguments& args, bool json, QString& error);

}  // namespace tavrel::cli
