#pragma once
// What one simulated device is: its kind, identity, loopback address and misbehaviours.
#include <cstdint>
#include <string>
#include <vector>

#include "device/DeviceRecord.h"

namespace tavrel::sim {

enum class SimKind { SerialServer, Board302, Board830, Board866, Board250 };

// How the device's TFTP receiver answers a firmware upload.
enum class TftpBehaviour {
    Normal,      // ACK 0, then every block acknowledged
    OptionAck,   // an option acknowledgement (tsize) instead of ACK 0
    Error,       // an ERROR instead of taking the request
    WrongBlock,  // block 3 is acknowledged as block 2
    Silent,      // the request goes unanswered
    Stall,       // blocks 1 and 2 acknowledged, then nothing more: a peer gone mid-upload
};

// Misbehaviours a test can switch on to see how the tool copes.
struct SimOptions {
    bool silent = false;           // records frames, never answers
    // Every n-th reply other than a search reply is lost (n = 3: replies 3, 6, 9, ...); 0 = none.
    int dropEvery = 0;
    bool answerTwice = false;      // every reply goes out twice
    std::uint16_t sourcePort = 0;  // port the device answers from; 0 = the device port
    bool refuse = false;           // writes are answered with 17 and not taken
    bool ignoreWrites = false;     // answers searches and reads; writes are logged, not taken or answered
    int lossPercent = 0;           // that share of all replies, search replies too, is lost at random
    int lossSeed = 0;              // with the key, picks which replies `lossPercent` loses
    int alienReply = 0;  // from this reply other than a search reply on (1-based), replies carry alienKey; 0 = never
    DeviceKey alienKey{};
    bool reorder = false;  // each reply is held back and sent after the next one
    bool noAck = false;            // packed record writes are taken without an answer
    int clockOffset = 0;           // with clockFromComputer: board clock minus the computer's, in s
    bool clockFromComputer = false;  // the board clock starts at the computer's (else a fixed date)
    TftpBehaviour tftp = TftpBehaviour::Normal;
    bool noReturn = false;  // after a completed firmware upload the device never answers again
    bool operator==(const SimOptions&) const = default;
};

// A network a WiFi board finds when it scans.
struct SimWifiNetwork {
    std::string ssid;
    int signal = -60;  // dBm
    bool operator==(const SimWifiNetwork&) const = default;
};

struct SimDeviceConfig {
    SimKind kind = SimKind::SerialServer;
    char portCountChar = '1';  // '1', '4', '6', '8' or 'B'
    int version = 42;          // the two digits after "V1" in the firmware text
    // The version a completed firmware upload leaves; -1: the "V1nn" in the image's name, if any.
    int versionAfter = -1;
    std::uint8_t extraQueryFlag = 0;
    bool outputTiming = false;  // 302 boards: output timing support
    // 302 boards: what a WiFi scan finds, and how long the scan takes before the board answers.
    std::vector<SimWifiNetwork> wifiNetworks = {{"Office-WiFi", -48}, {"Lab 2.4G", -67}, {"Guest", -81}};
    int scanDelayMs = 0;
    Ipv4 address{127, 0, 0, 2};
    // The network block reports the loopback address the device sits on instead of 192.168.1.x, so
    // that the window's subnet check lets an IO control window reach it on this machine.
    bool loopbackNetwork = false;
    Mac mac{0x00, 0xCA, 0xC1, 0x00, 0x00, 0x02};
    SimOptions options;
};

std::string kindName(SimKind kind);  // "serial", "302", "830", "866", "250"
bool isSerialServer(SimKind kind);
// Ports a serial server keeps: '1' and 'B' are read and written as two and eight.
int storedPortCount(char portCountChar);

}  // namespace tavrel::sim
