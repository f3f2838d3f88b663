#include "iocontrol/IoScript.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "protocol/NetworkSettings.h"

namespace tavrel {

namespace {

constexpr double kMaxDurationMs = 3600000.0;
constexpr double kMillivoltsPerVolt = 1000.0;
constexpr double kMsPerSecond = 1000.0;

using Words = std::vector<std::string>;

Words split(std::string_view line) {
    Words words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

std::optional<long long> integer(std::string_view text, int base = 10) {
    long long value = 0;
    if (text.empty()) return std::nullopt;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

// Digits with at most one decimal point and an optional leading minus; no exponent, no "nan".
std::optional<double> decimal(std::string_view text) {
    if (text.empty() || text.size() > 32) return std::nullopt;
    std::size_t digits = 0;
    std::size_t points = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.')
            ++points;
        else if (!(c == '-' && i == 0))
            return std::nullopt;
    }
    if (digits == 0 || points > 1) return std::nullopt;
    double value = 0;
    if (std::sscanf(std::string(text).c_str(), "%lf", &value) != 1) return std::nullopt;
    return value;
}

std::optional<IoEndpoint> endpoint(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    IoEndpoint e{std::string(text.substr(0, colon)), 0};
    const auto port = parsePort(std::string(text.substr(colon + 1)));
    if (!isDottedIpv4(e.host) || !port) return std::nullopt;
    e.port = *port;
    return e;
}

struct LineParser {
    const Words& w;
    IoStep& step;
    std::string error;

    bool fail(std::string message) {
        if (error.empty()) error = std::move(message);
        return false;
    }
    std::string word(std::size_t i) const { return i < w.size() ? lower(w[i]) : std::string(); }

    bool channel(std::size_t i) {
        const auto n = integer(i < w.size() ? std::string_view(w[i]) : std::string_view());
        if (!n || *n < 1 || *n > static_cast<long long>(kMaxIoChannels))
            return fail("a channel number from 1 to 32, not '" + (i < w.size() ? w[i] : "") + "'");
        step.channel = static_cast<int>(*n);
        return true;
    }
    bool onOff(std::size_t i) {
        const std::string v = word(i);
        if (v != "on" && v != "off") return fail("on or off, not '" + (i < w.size() ? w[i] : "") + "'");
        step.on = v == "on";
        return true;
    }
    bool duration(std::size_t i, unsigned& into) {
        const auto ms = i < w.size() ? parseIoDuration(w[i]) : std::nullopt;
        if (!ms) return fail("a time such as 500ms or 1.5s, not '" + (i < w.size() ? w[i] : "") + "'");
        into = *ms;
        return true;
    }
    // "within T" at position i, or nothing; true when the line ends there.
    bool optionalWithin(std::size_t i) {
        if (i == w.size()) return true;
        if (word(i) != "within") return fail("unexpected '" + w[i] + "'");
        unsigned ms = 0;
        if (!duration(i + 1, ms)) return false;
        step.withinMs = ms;
        return end(i + 2);
    }
    bool end(std::size_t i) { return i == w.size() || fail("unexpected '" + w[i] + "'"); }

    bool connect() {
        IoConnectSpec& c = step.connect;
        const std::string how = word(1);
        if (how == "tcp")
            c.type = IoConnectionType::TcpClient;
        else if (how == "listen")
            c.type = IoConnectionType::TcpServer;
        else if (how == "udp")
            c.type = IoConnectionType::Udp;
        else
            return fail("connect tcp|udp|listen ADDRESS:PORT, not '" + (w.size() > 1 ? w[1] : "") + "'");
        const auto at = w.size() > 2 ? endpoint(w[2]) : std::nullopt;
        if (!at || (at->port == 0 && c.type != IoConnectionType::TcpServer))
            return fail("an IPv4 address and port such as 192.168.1.120:502, not '" +
                        (w.size() > 2 ? w[2] : "") + "'");
        c.endpoint = *at;
        for (std::size_t i = 3; i < w.size(); ++i) {
            const std::string key = word(i);
            if (key == "modbus" || key == "custom") {
                c.protocol = key == "modbus" ? IoProtocol::Modbus : IoProtocol::Custom;
            } else if (key == "address") {
                const auto n = integer(i + 1 < w.size() ? std::string_view(w[i + 1]) : std::string_view());
                if (!n || *n < 1 || *n > 255) return fail("a board address from 1 to 255");
                c.address = static_cast<int>(*n);
                ++i;
            } else if (key == "local" && c.type == IoConnectionType::Udp) {
                const auto local = i + 1 < w.size() ? endpoint(w[i + 1]) : std::nullopt;
                if (!local) return fail("local ADDRESS:PORT of the UDP socket");
                c.local = *local;
                ++i;
            } else if (key == "within") {
                unsigned ms = 0;
                if (!duration(i + 1, ms)) return false;
                step.withinMs = ms;
                ++i;
            } else {
                return fail("unexpected '" + w[i] + "'");
            }
        }
        return true;
    }

    bool switchStep() {
        if (word(1) == "all") {
            step.kind = IoStepKind::SwitchAll;
            return onOff(2) && end(3);
        }
        step.kind = IoStepKind::Switch;
        if (!channel(1) || !onOff(2)) return false;
        if (w.size() == 3) return true;
        if (word(3) != "for") return fail("unexpected '" + w[3] + "'");
        step.kind = IoStepKind::SwitchFor;
        return duration(4, step.durationMs) && end(5);
    }

    bool expectStep() {
        const std::string what = word(1);
        if (what == "model") {
            step.kind = IoStepKind::ExpectModel;
            if (w.size() != 3) return fail("expect model TEXT");
            step.model = w[2];
            return true;
        }
        if (what == "input" || what == "output") {
            step.kind = what == "input" ? IoStepKind::ExpectInput : IoStepKind::ExpectOutput;
            return channel(2) && onOff(3) && optionalWithin(4);
        }
        if (what == "inputs" || what == "outputs") {
            step.kind = what == "inputs" ? IoStepKind::ExpectInputs : IoStepKind::ExpectOutputs;
            const std::string mask = word(2);
            const auto bits = mask.size() > 2 && mask.size() <= 10 && mask.rfind("0x", 0) == 0
                                  ? integer(std::string_view(mask).substr(2), 16)
                                  : std::nullopt;
            if (!bits) return fail("a hexadecimal mask such as 0x05 (bit 0 is channel 1)");
            step.mask = static_cast<std::uint32_t>(*bits);
            return optionalWithin(3);
        }
        if (what == "analog") {
            step.kind = IoStepKind::ExpectAnalog;
            if (!channel(2)) return false;
            if (step.channel > static_cast<int>(kAnalogChannels))
                return fail("an analog channel from 1 to 8");
            const auto low = w.size() > 4 ? decimal(w[4]) : std::nullopt;
            const auto high = w.size() > 6 ? decimal(w[6]) : std::nullopt;
            if (word(3) != "between" || word(5) != "and" || !low || !high)
                return fail("expect analog N between LOW and HIGH (volts)");
            if (*low > *high) return fail("the low bound is above the high one");
            step.low = *low;
            step.high = *high;
            return optionalWithin(7);
        }
        return fail("expect model|input|inputs|output|outputs|analog, not '" + (w.size() > 1 ? w[1] : "") +
                    "'");
    }

    bool parse() {
        const std::string verb = word(0);
        if (verb == "connect") {
            step.kind = IoStepKind::Connect;
            return connect();
        }
        if (verb == "switch") return switchStep();
        if (verb == "expect") return expectStep();
        if (verb == "wait") {
            step.kind = IoStepKind::Wait;
            return duration(1, step.durationMs) && end(2);
        }
        return fail("unknown step '" + w[0] + "' (connect, expect, switch, wait)");
    }
};

std::string maskText(std::uint32_t mask, int count) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(mask));
    return std::string(text) + " of " + std::to_string(count);
}

IoStepCheck statesCheck(const IoStep& step, const ChannelStates& states, const char* single,
                        const char* plural) {
    if (step.kind == IoStepKind::ExpectInput || step.kind == IoStepKind::ExpectOutput) {
        if (states.count < step.channel)
            return {IoVerdict::NotMet, "only " + std::to_string(states.count) + " " + plural};
        const bool on = states.on[static_cast<std::size_t>(step.channel - 1)];
        return {on == step.on ? IoVerdict::Met : IoVerdict::NotMet,
                std::string(single) + " " + std::to_string(step.channel) + (on ? " on" : " off")};
    }
    std::uint32_t seen = 0;
    for (int i = 0; i < states.count; ++i)
        if (states.on[static_cast<std::size_t>(i)]) seen |= 1u << i;
    const bool beyond = states.count < 32 && (step.mask >> states.count) != 0;
    return {seen == step.mask && !beyond ? IoVerdict::Met : IoVerdict::NotMet,
            std::string(plural) + " " + maskText(seen, states.count)};
}

}  // namespace

std::optional<unsigned> parseIoDuration(std::string_view text) {
    double scale = 0;
    std::string_view number;
    if (text.size() > 2 && text.substr(text.size() - 2) == "ms") {
        scale = 1;
        number = text.substr(0, text.size() - 2);
    } else if (text.size() > 1 && text.back() == 's') {
        scale = kMsPerSecond;
        number = text.substr(0, text.size() - 1);
    } else {
        return std::nullopt;
    }
    const auto value = decimal(number);
    if (!value || *value < 0 || *value * scale > kMaxDurationMs) return std::nullopt;
    return static_cast<unsigned>(std::lround(*value * scale));
}

IoScript parseIoScript(std::string_view text) {
    IoScript script;
    bool connected = false;
    int number = 0;
    for (bool more = true; more;) {
        const auto newline = text.find('\n');
        more = newline != std::string_view::npos;
        std::string_view line = text.substr(0, newline);
        if (more) text = text.substr(newline + 1);
        ++number;
        if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        const Words words = split(line);
        if (words.empty()) continue;
        IoStep step;
        step.line = number;
        step.text = trimmed(line);
        LineParser parser{words, step, {}};
        if (!parser.parse()) {
            script.errors.push_back({number, parser.error});
            continue;
        }
        if (step.kind == IoStepKind::Connect) connected = true;
        if (!connected && step.kind != IoStepKind::Wait) {
            script.errors.push_back({number, "no connect step before this one"});
            continue;
        }
        script.steps.push_back(std::move(step));
    }
    if (script.steps.empty() && script.errors.empty())
        script.errors.push_back({0, "the script has no steps"});
    return script;
}

std::optional<IoFrame> stepQuery(const IoStep& step, IoProtocol protocol, std::uint8_t address,
                                 std::string_view model) {
    switch (step.kind) {
        case IoStepKind::ExpectInput:
        case IoStepKind::ExpectInputs:
            // The analog board's input query asks for its analog values instead.
            if (isAnalogBoard(model)) return std::nullopt;
            return buildInputQuery(protocol, address, model);
        case IoStepKind::ExpectAnalog:
            if (!isAnalogBoard(model)) return std::nullopt;
            return buildInputQuery(protocol, address, model);
        case IoStepKind::ExpectOutput:
        case IoStepKind::ExpectOutputs:
            return buildOutputQuery(protocol, address, model);
        default:
            return std::nullopt;
    }
}

IoStepCheck checkReply(const IoStep& step, const IoReply& reply, bool on) {
    switch (step.kind) {
        case IoStepKind::Switch:
        case IoStepKind::SwitchFor:
            if (const auto* changed = std::get_if<OutputChanged>(&reply)) {
                if (changed->output != step.channel) return {};
                return {changed->on == on ? IoVerdict::Met : IoVerdict::NotMet,
                        "output " + std::to_string(step.channel) + (changed->on ? " on" : " off")};
            }
            if (const auto* states = std::get_if<OutputStates>(&reply)) {
                if (states->count < step.channel) return {};
                const bool is = states->on[static_cast<std::size_t>(step.channel - 1)];
                return {is == on ? IoVerdict::Met : IoVerdict::NotMet,
                        "output " + std::to_string(step.channel) + (is ? " on" : " off")};
            }
            return {};
        case IoStepKind::SwitchAll:
            if (std::holds_alternative<AllOutputsWritten>(reply)) return {IoVerdict::Met, "all written"};
            if (const auto* states = std::get_if<OutputStates>(&reply)) {
                bool all = states->count > 0;
                for (int i = 0; i < states->count; ++i)
                    all = all && states->on[static_cast<std::size_t>(i)] == on;
                return {all ? IoVerdict::Met : IoVerdict::NotMet,
                        "not every output " + std::string(on ? "on" : "off")};
            }
            return {};
        case IoStepKind::ExpectInput:
        case IoStepKind::ExpectInputs:
            if (const auto* states = std::get_if<InputStates>(&reply))
                return statesCheck(step, *states, "input", "inputs");
            return {};
        case IoStepKind::ExpectOutput:
        case IoStepKind::ExpectOutputs:
            if (const auto* states = std::get_if<OutputStates>(&reply))
                return statesCheck(step, *states, "output", "outputs");
            return {};
        case IoStepKind::ExpectAnalog:
            if (const auto* analog = std::get_if<AnalogValues>(&reply)) {
                const double volts =
                    analog->values[static_cast<std::size_t>(step.channel - 1)] / kMillivoltsPerVolt;
                char text[48];
                std::snprintf(text, sizeof text, "analog %d = %.3f V", step.channel, volts);
                return {volts >= step.low && volts <= step.high ? IoVerdict::Met : IoVerdict::NotMet, text};
            }
            return {};
        default:
            return {};
    }
}

bool modelMatches(const IoStep& step, std::string_view reported, std::string_view stored) {
    return !step.model.empty() && (step.model == reported || step.model == stored);
}

}  // namespace tavrel
