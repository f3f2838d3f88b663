#pragma once
// Texts shown the same in both interface languages: the messages that exist in Chinese only and
// the few window labels that are never re-labelled. Language-dependent texts live in UiTexts.
#include <string>
#include <string_view>

namespace tavrel::fixed {

// --- Start-up ---
inline constexpr std::string_view kNetworkInitFailed = "Windows 通信端口初始化失败。";
// Status bar field 3 before the language is loaded (note the blank after the colon).
inline constexpr std::string_view kInitialBroadcastLabel = "广播地址: ";

// --- Device commands and replies ---
inline constexpr std::string_view kConfigFailed = "配置失败。请重新搜索设备，再试。";
inline constexpr std::string_view kInvalidRemoteHost = "无效的网址！";

// --- Settings form ---
inline constexpr std::string_view kCloudPasswordLength = "云设备密码 是8位的字符";
inline constexpr std::string_view kCloudIdLength = "云设备ID 是20位的字符";
// %d is the largest value allowed; see withNumber().
inline constexpr std::string_view kNumberRangePattern = "请输入0-%d的数字！";
// The help of the "?" mark beside the cloud pass-through box.
inline constexpr std::string_view kCloudHelp =
    "云透传：勾选后，本端口连接到云服务器，可通过云平台对设备进行远程控制和定时。\n"
    "如果不清楚是否需要，请不要勾选；不勾选不影响其它任何功能。\n"
    "最重要：使用云透传时，工作模式必须选择 TCP_CLIENT，目标IP/域名必须填写云服务器的地址，"
    "目标端口必须为 1883。";

// --- Profiles ---
inline constexpr std::string_view kImportProfileFirst = "请先导入配置参数！";
inline constexpr std::string_view kProfileSaveFilter = "文件 (*.ini)|*.ini||";
inline constexpr std::string_view kProfileOpenFilter = "(*.ini)|*.ini|所有文件(*.*)|*.*|";
// The device list's export.
inline constexpr std::string_view kCsvSaveFilter = "CSV (*.csv)|*.csv||";
inline constexpr std::string_view kCsvOpenFilter = "CSV (*.csv)|*.csv|所有文件(*.*)|*.*|";

// --- Firmware upgrade ---
inline constexpr std::string_view kTransferError = "传输错误";
inline constexpr std::string_view kBlockNumberMismatch = "文件的序号不对!";
inline constexpr std::string_view kFirmwareOpenFilter = "(*.bin)|*.bin|所有文件(*.*)|*.*|";

// --- Output timing ---
inline constexpr std::string_view kResending = "重发中...";
inline constexpr std::string_view kReadingParameters = "正在读取参数...";
inline constexpr std::string_view kSavingParameters = "保存参数中...";
inline constexpr std::string_view kCalibrating = "校正中...";
inline constexpr std::string_view kCalibrated = "校正成功";
inline constexpr std::string_view kParametersRead = "参数读取成功";
inline constexpr std::string_view kParametersSaved = "参数保存成功";
inline constexpr std::string_view kChooseBoard = "请选中一个控制板";
inline constexpr std::string_view kNoRtcSupport = "此控制板不支持RTC功能";
inline constexpr std::string_view kChooseMode = "请选择一个模式";
// %d is the 1-based channel number.
inline constexpr std::string_view kChannelPattern = "第 %d 路";
// Mode words of the schedule list, Chinese in both languages.
inline constexpr std::string_view kTimerModeWord = "定时";
inline constexpr std::string_view kStrobeModeWord = "频闪";
inline constexpr std::string_view kWeekModeWord = "星期";
// Shown for a weekday value outside 1..7.
inline constexpr std::string_view kUnknownWeekdayPattern = "week:%d";

// --- Labels of the main window that are never re-labelled ---
inline constexpr std::string_view kSaveConfigButton = "保存配置";
inline constexpr std::string_view kCloudPassThroughCheck = "云透传";
inline constexpr std::string_view kStopEncryptionButton = "停止加密";
inline constexpr std::string_view kStartEncryptionButton = "开始加密";
inline constexpr std::string_view kChineseItem = "简体中文";
inline constexpr std::string_view kModbusTimeoutLabel = "Timeout :";
inline constexpr std::string_view kSecondsUnit = "s";
inline constexpr std::string_view kMillisecondsUnit = "ms";
inline constexpr std::string_view kWifiListCaption = "对话";
// The template gives no text of its own for these; chosen to match the labels around them.
inline constexpr std::string_view kRs485AddressLabel = "RS485地址 :";
inline constexpr std::string_view kCloudIdLabel = "云设备ID :";
inline constexpr std::string_view kCloudPasswordLabel = "云设备密码 :";
inline constexpr std::string_view kCloudHelpMark = "?";
inline constexpr std::string_view kSsidLabel = "SSID";

// --- IO control window ---
inline constexpr std::string_view kServerSocketFailed = "创建server套接字失败";
inline constexpr std::string_view kBindFailed = "绑定失败!";
inline constexpr std::string_view kListenFailed = "监听失败！";
// Command log: full-width colons; the time label is Chinese in both languages.
inline constexpr std::string_view kLogSentPrefix = "TX：";
inline constexpr std::string_view kLogReceivedPrefix = "RX：";
inline constexpr std::string_view kLogTimePattern = " 时间: %02d:%02d:%02d";
// Names of the indicators; %d is the 1-based channel.
inline constexpr std::string_view kInputNamePattern = "X%d";
inline constexpr std::string_view kOutputNamePattern = "Y%d";
inline constexpr std::string_view kAnalogNamePattern = "A%d";
// Rows of the analog cells, top to bottom.
inline constexpr std::string_view kAnalogRow5V = "0~5V";
inline constexpr std::string_view kAnalogRow10V = "0~10V";
inline constexpr std::string_view kAnalogRow20mA = "0~20ma";
// The file dialog of the "Save log" button, in Qt's filter form.
inline constexpr std::string_view kLogFileFilter = "(*.txt);;(*.*)";
// The file dialog of the data log.
inline constexpr std::string_view kDataLogFileFilter = "(*.csv);;(*.*)";

// A pattern with its first "%d" replaced by the number; a pattern without one comes back as is.
inline std::string withNumber(std::string_view pattern, long long number) {
    std::string text(pattern);
    const auto at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(number));
    return text;
}

}  // namespace tavrel::fixed
