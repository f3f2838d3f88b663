#pragma once
// What the CLI's JSON must say about a simulated device, worked out from the simulator's own state
// with lists written out here, never with the tool's decoders.
#include <QtCore/QJsonObject>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include "SimDevice.h"
#include "device/Secrets.h"

namespace clitest {

// The keys every device object and every port object carries.
extern const QStringList kDeviceKeys;
extern const QStringList kNetworkKeys;
extern const QStringList kPortKeys;

// The expected device object; ports the device does not report are left out of "ports". Passwords
// are masked as the CLI prints them without --show-secrets.
QJsonObject expectedJson(const tavrel::sim::SimDevice& device,
                         tavrel::SecretDisplay secrets = tavrel::SecretDisplay::Masked);

// The non-empty passwords of an expected object: account, WiFi AP and STA, port 1's cloud password.
QStringList passwordsOf(const QJsonObject& expected);

// Settings unlike the factory ones and unlike from port to port and device to device, so that a
// field read from the wrong offset or the wrong port shows. `seed` tells devices apart.
tavrel::sim::DeviceSettings variedSettings(const tavrel::sim::SimDevice& device, int seed);

// Every difference between the CLI's object and the expected one, one per line with its path;
// keys of `actual` that `expected` does not name are not compared.
QStringList differences(const QJsonObject& expected, const QJsonObject& actual, const QString& path = {});

}  // namespace clitest
