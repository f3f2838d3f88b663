// Prints the Modbus frames the IO codec builds and decodes replies read from stdin, so that an
// independent Modbus implementation can check both sides (tests/core/iocodec_pymodbus_check.py).
//
//   iocodec_dump requests   one line per frame: kind address model argument hex
//   iocodec_dump decode     reads "address model hex" lines ("-" for an empty model or frame) and
//                           prints one result line for each
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "iocontrol/IoCodec.h"

using namespace tavrel;

namespace {

const char* kModels[] = {"KB-04-00",   "KB-08-00",   "KB-16-00",   "KB-32-00", "MV-I16-O16",
                         "MV-I00-O02", "MV-I32-O00", "MV-I08-O08", "1HMTK08",  "1GWTK16"};
const int kAddresses[] = {1, 2, 17, 247, 255};

std::string hex(const IoFrame& f) {
    std::string out;
    char buf[4];
    for (auto b : f) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

void print(const char* kind, int address, const char* model, const std::string& arg,
           const std::optional<IoFrame>& f) {
    std::cout << kind << ' ' << address << ' ' << model << ' ' << arg << ' ' << (f ? hex(*f) : "-") << '\n';
}

void dumpRequests() {
    const auto m = IoProtocol::Modbus;
    for (int a : kAddresses) {
        const auto addr = static_cast<std::uint8_t>(a);
        print("model", a, "-", "-", buildModelQuery(m, addr));
        for (const char* model : kModels) {
            print("inputs", a, model, "-", buildInputQuery(m, addr, model));
            print("outputs", a, model, "-", buildOutputQuery(m, addr, model));
            print("all", a, model, "on", buildAllOutputs(m, addr, model, true));
            print("all", a, model, "off", buildAllOutputs(m, addr, model, false));
        }
        for (int n = 1; n <= 32; ++n) {
            print("switch", a, "-", std::to_string(n) + ":on", buildSwitchOutput(m, addr, n, true, 1000));
            print("switch", a, "-", std::to_string(n) + ":off", buildSwitchOutput(m, addr, n, false, 0));
        }
    }
}

IoFrame parseHex(const std::string& text) {
    IoFrame f;
    if (text == "-") return f;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        f.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return f;
}

std::string bits(const ChannelStates& s) {
    std::string out;
    for (std::size_t i = 0; i < s.count; ++i) out += s.on[i] ? '1' : '0';
    return out.empty() ? "-" : out;
}

std::string describe(const IoDecoded& d) {
    std::ostringstream out;
    if (d.status != IoStatus::Ok) {
        out << "refused " << static_cast<int>(d.status);
    } else if (auto* m = std::get_if<BoardModelReply>(&d.reply)) {
        out << "model " << m->reported << ' ' << m->stored;
    } else if (auto* s = std::get_if<InputStates>(&d.reply)) {
        out << "inputs " << bits(*s);
    } else if (auto* s = std::get_if<OutputStates>(&d.reply)) {
        out << "outputs " << bits(*s);
    } else if (auto* a = std::get_if<AnalogValues>(&d.reply)) {
        out << "analog";
        for (auto v : a->values) out << ' ' << v;
    } else if (auto* c = std::get_if<OutputChanged>(&d.reply)) {
        out << "changed " << int(c->output) << ' ' << (c->on ? 1 : 0);
    } else if (auto* w = std::get_if<AllOutputsWritten>(&d.reply)) {
        out << "written " << int(w->count);
    } else {
        out << "nothing";
    }
    return out.str();
}

void decodeLines() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        int address = 0;
        std::string model, frameHex;
        if (!(in >> address >> model >> frameHex)) {
            std::cout << "bad-input\n";
            continue;
        }
        if (model == "-") model.clear();
        const IoFrame frame = parseHex(frameHex);
        std::cout << describe(
                         decodeReply(IoProtocol::Modbus, static_cast<std::uint8_t>(address), model, frame))
                  << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "requests") {
        dumpRequests();
    } else if (mode == "decode") {
        decodeLines();
    } else {
        std::cerr << "usage: iocodec_dump requests|decode\n";
        return 2;
    }
    return 0;
}
