#pragma once
// The messages of the settings form and the save commands: which text each refusal shows. The texts
// themselves live in UiTexts (both languages) and in the fixed-text table (Chinese in both).
#include <string>
#include <string_view>
#include <vector>

#include "texts/FixedTexts.h"

namespace tavrel {

enum class SettingsMessage {
    InvalidIpType,
    InvalidIpAddress,
    InvalidSubnetMask,
    InvalidGateway,
    InvalidDns,
    InvalidMac,
    HeartbeatDataTooLong,
    // Values that read but that a device cannot hold, or that the user is asked about first. Their
    // texts name the field and the value; settingsMessage(SettingsFinding) fills them in.
    AddressUnspecified,
    AddressBroadcast,
    AddressMulticast,
    AddressReserved,
    AddressLoopback,
    AddressZeroNetwork,
    AddressSubnetNetwork,
    AddressSubnetBroadcast,
    MaskNotContiguous,
    MaskEmpty,
    MaskHostOnly,
    MacMulticast,
    MacZero,
    TextTooLong,
    GatewayOutsideSubnet,
    AddressInUse,
};

enum class SettingsField { IpAddress, SubnetMask, Gateway, Dns, Mac, User, Password };

// One refusal or warning about one field of the network group.
struct SettingsFinding {
    SettingsMessage message = SettingsMessage::InvalidIpAddress;
    SettingsField field = SettingsField::IpAddress;
    std::string value;   // as the device would hold it; for a text, its length (never a password)
    std::string detail;  // the mask, the subnet or the field's limit the text names
    bool operator==(const SettingsFinding&) const = default;
};

// English for language code 9, Chinese for every other code (4, or none loaded yet).
std::string settingsMessage(SettingsMessage message, int languageCode);
// The message with its field, value and detail: "IP address: 224.0.0.1 is a multicast address; a
// device cannot hold it." A message without places (an address that does not read) is its plain text.
std::string settingsMessage(const SettingsFinding& finding, int languageCode);

// Shown in Chinese in both interface languages.
inline constexpr std::string_view kInvalidHostMessage = fixed::kInvalidRemoteHost;
inline constexpr std::string_view kCloudPasswordLengthMessage = fixed::kCloudPasswordLength;
inline constexpr std::string_view kCloudIdLengthMessage = fixed::kCloudIdLength;

// The help of the "?" mark beside the cloud pass-through box, in Chinese in both languages.
std::string cloudHelpText();

}  // namespace tavrel
