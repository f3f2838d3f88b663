#include "CliOptions.h"

namespace tavrel::cli {

std::optional<QString> takeOption(QStringList& args, const QString& name, QString* error) {
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("%1 needs a value").arg(name);
                args.removeAt(i);
                return std::nullopt;
            }
            QString value = args[i + 1];
            args.remove(i, 2);
            return value;
        }
        if (args[i].startsWith(name + '=')) {
            QString value = args[i].mid(name.size() + 1);
            args.removeAt(i);
            return value;
        }
    }
    return std::nullopt;
}

bool takeFlag(QStringList& args, const QString& name) {
    return args.removeAll(name) > 0;
}

std::optional<GlobalOptions> parseGlobalOptions(const QStringList& args, NetworkSettings fromEnvironment,
                                                QString* error) {
    GlobalOptions o;
    o.network = fromEnvironment;
    int i = 0;
    auto value = [&](const QString& name) -> std::optional<QString> {
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("%1 needs a value").arg(name);
            return std::nullopt;
        }
        return args[++i];
    };
    auto address = [&](const QString& name, std::string& into) {
        auto v = value(name);
        if (!v) return false;
        if (!isDottedIpv4(v->toStdString())) {
            *error = QStringLiteral("%1: not an IPv4 address: %2").arg(name, *v);
            return false;
        }
        into = v->toStdString();
        return true;
    };
    auto port = [&](const QString& name, std::uint16_t& into) {
        auto v = value(name);
        if (!v) return false;
        auto p = parsePort(v->toStdString());
        if (!p) {
            *error = QStringLiteral("%1: not a port number (0-65535): %2").arg(name, *v);
            return false;
        }
        into = *p;
        return true;
    };
    for (; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith("--") && a != "-h") break;
        bool ok = true;
        if (a == "--broadcast")
            ok = address(a, o.network.broadcast);
        else if (a == "--bind")
            ok = address(a, o.network.bindAddress);
        else if (a == "--local-port")
            ok = port(a, o.network.localPort);
        else if (a == "--device-port")
            ok = port(a, o.network.devicePort);
        else if (a == "--tftp-port")
            ok = port(a, o.network.tftpPort);
        else if (a == "--json")
            o.json = true;
        else if (a == "--show-secrets")
            o.secrets = SecretDisplay::Shown;
        else if (a == "--help" || a == "-h")
            o.help = true;
        else if (a == "--version")
            o.version = true;
        else if (a == "--timeout") {
            auto v = value(a);
            bool isNumber = false;
            int ms = v ? v->toInt(&isNumber) : 0;
            if (!v || !isNumber || ms <= 0) {
                if (v)
                    *error = QStringLiteral("--timeout: a positive number of milliseconds, not %1").arg(*v);
                return std::nullopt;
            }
            o.timeoutMs = ms;
        } else if (a == "--lang") {
            auto v = value(a);
            if (!v) return std::nullopt;
            if (*v == "en")
                o.language = Language::English;
            else if (*v == "zh")
                o.language = Language::Chinese;
            else {
                *error = QStringLiteral("--lang: en or zh, not %1").arg(*v);
                return std::nullopt;
            }
        } else {
            *error = QStringLiteral("unknown option %1").arg(a);
            return std::nullopt;
        }
        if (!ok) return std::nullopt;
    }
    if (i < args.size()) {
        o.command = args[i];
        o.arguments = args.mid(i + 1);
    }
    return o;
}

}  // namespace tavrel::cli
