#include "settings/SettingsMessages.h"

#include <array>
#include <cstddef>

namespace tavrel {

namespace {

struct Bilingual {
    std::string_view english;
    std::string_view chinese;
};

// In the order of SettingsMessage.
constexpr std::array<Bilingual, 7> kMessages = {{
    {"Please choose the IP address type.", "请选择IP地址类型。"},
    {"Invalid IP address: enter four numbers 0-255, e.g. 192.168.1.200.",
     "IP地址无效：请输入4个0-255的数字，例如 192.168.1.200。"},
    {"Invalid subnet mask: enter four numbers 0-255, e.g. 255.255.255.0.",
     "子网掩码无效：请输入4个0-255的数字，例如 255.255.255.0。"},
    {"Invalid gateway: enter four numbers 0-255, e.g. 192.168.1.1.",
     "网关无效：请输入4个0-255的数字，例如 192.168.1.1。"},
    {"Invalid DNS server: enter four numbers 0-255, e.g. 192.168.1.1.",
     "DNS无效：请输入4个0-255的数字，例如 192.168.1.1。"},
    {"Invalid MAC address: enter 12 hexadecimal digits, e.g. 00-CA-C1-19-00-33.",
     "MAC地址无效：请输入12位十六进制数字，例如 00-CA-C1-19-00-33。"},
    {"Heartbeat data is at most 16 characters.", "心跳包数据最多16个字符。"},
}};

constexpr int kEnglishCode = 9;

}  // namespace

std::string settingsMessage(SettingsMessage message, int languageCode) {
    const auto& m = kMessages.at(static_cast<std::size_t>(message));
    return std::string(languageCode == kEnglishCode ? m.english : m.chinese);
}

std::string cloudHelpText() {
    return "云透传：勾选后，本端口连接到云服务器，可通过云平台对设备进行远程控制和定时。\n"
           "如果不清楚是否需要，请不要勾选；不勾选不影响其它任何功能。\n"
           "最重要：使用云透传时，工作模式必须选择 TCP_CLIENT，目标IP/域名必须填写云服务器的地址，"
           "目标端口必须为 1883。";
}

}  // namespace tavrel
