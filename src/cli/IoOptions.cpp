#include "IoOptions.h"

#include "iocontrol/IoCodec.h"
#include "protocol/NetworkSettings.h"

namespace tavrel::cli {

namespace {

std::optional<Endpoint> parseEndpoint(const QString& text, bool portZeroAllowed) {
    const qsizetype colon = text.lastIndexOf(':');
    if (colon < 0) return std::nullopt;
    const std::string host = text.left(colon).toStdString();
    const auto port = parsePort(text.mid(colon + 1).toStdString());
    if (!isDottedIpv4(host) || !port || (*port == 0 && !portZeroAllowed)) return std::nullopt;
    return Endpoint{QHostAddress(QString::fromStdString(host)), *port};
}

// The connection options: which way the board is reached, and where.
bool parseConnection(const ParsedArguments& args, IoArguments& a, QString& error) {
    const auto tcp = args.text("--tcp");
    const auto listen = args.text("--listen");
    const auto udp = args.text("--udp");
    const auto to = args.text("--to");
    if (int(tcp.has_value()) + int(listen.has_value()) + int(udp.has_value()) != 1) {
        error = "give one of --tcp HOST:PORT, --listen ADDR:PORT, --udp LOCAL:PORT --to HOST:PORT";
        return false;
    }
    const QString where = tcp ? *tcp : listen ? *listen : *udp;
    const auto endpoint = parseEndpoint(where, !tcp);
    if (!endpoint) {
        error = "not an IPv4 address and port: " + where;
        return false;
    }
    a.endpoint = *endpoint;
    a.type = tcp ? IoConnectionType::TcpClient : listen ? IoConnectionType::TcpServer : IoConnectionType::Udp;
    if (udp) {
        const auto destination = to ? parseEndpoint(*to, false) : std::nullopt;
        if (!destination) {
            error = to ? "--to: not an IPv4 address and port: " + *to
                       : QStringLiteral("--udp needs --to HOST:PORT");
            return false;
        }
        a.destination = *destination;
    } else if (to) {
        error = "--to goes with --udp only";
        return false;
    }
    return true;
}

// The ACTION and its words: switch N on|off, all on|off, or a word alone.
bool parseAction(QStringList words, IoArguments& a, QString& error) {
    a.action = words.takeFirst();
    const bool onOff = !words.isEmpty() && (words.last() == "on" || words.last() == "off");
    if (a.action == "switch") {
        bool ok = false;
        a.output = words.value(0).toInt(&ok);
        if (words.size() == 2 && onOff && (!ok || a.output < 1 || a.output > int(kMaxIoChannels))) {
            error = QStringLiteral("switch: a number from 1 to %1, not %2").arg(kMaxIoChannels).arg(words[0]);
            return false;
        }
        if (words.size() != 2 || !onOff) {
            error = "usage: switch N on|off [--time T], N from 1 to 32";
            return false;
        }
        a.on = words[1] == "on";
    } else if (a.action == "all") {
        if (words.size() != 1 || !onOff) {
            error = "usage: all on|off";
            return false;
        }
        a.on = words[0] == "on";
    } else if (a.action != "model" && a.action != "inputs" && a.action != "outputs" && a.action != "watch") {
        error = "unknown ACTION: " + a.action;
        return false;
    } else if (!words.isEmpty()) {
        error = "unexpected: " + words.join(' ');
        return false;
    }
    return true;
}

}  // namespace

std::optional<IoArguments> parseIoLine(const ParsedArguments& args, bool json, QString& error) {
    IoArguments a;
    a.json = json;
    a.log = args.flag("--log");
    if (!parseConnection(args, a, error) || !parseAction(args.operands, a, error)) return std::nullopt;
    a.protocol =
        args.text("--protocol") == QStringLiteral("modbus") ? IoProtocol::Modbus : IoProtocol::Custom;
    a.address = static_cast<int>(args.number("--address").value_or(1));
    a.timeValue = static_cast<std::uint16_t>(args.number("--time").value_or(0));
    a.intervalMs = static_cast<unsigned>(args.number("--interval").value_or(kDefaultWatchIntervalMs));
    a.count = static_cast<int>(args.number("--count").value_or(0));
    if ((args.flag("--time") && a.action != "switch") ||
        ((args.flag("--interval") || args.flag("--count")) && a.action != "watch")) {
        error = "--time goes with switch, --interval and --count with watch";
        return std::nullopt;
    }
    return a;
}

}  // namespace tavrel::cli
