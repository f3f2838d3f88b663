#pragma once
// Resource numbers of the main window's controls and menu commands, and the object name each
// control carries. Handlers and tests find widgets by these names.
#include <array>
#include <string_view>

namespace tavrel::ids {

// --- Menu commands ---
inline constexpr int kAboutCommand = 32778;
inline constexpr int kFirmwareUpgradeCommand = 32779;
inline constexpr int kEnglishCommand = 32780;
inline constexpr int kChineseCommand = 32781;
inline constexpr int kDefaultAdapterCommand = 32782;
inline constexpr int kFirstAdapterCommand = 32786;  // adapter address i has 32786 + i
inline constexpr int kExportProfileCommand = 33783;
inline constexpr int kImportProfileCommand = 33784;
inline constexpr int kIoControlCommand = 33785;
inline constexpr int kExportListCommand = 33786;  // the device list as CSV
inline constexpr int kUndoLastChangeCommand = 33787;
inline constexpr int kLoadFleetSheetCommand = 33788;  // a fleet sheet planned and applied
// The adapter storage holds at most this many addresses.
inline constexpr int kMaxAdapterAddresses = 128;

// --- Device list area ---
inline constexpr int kDeviceListFrame = 1059;
inline constexpr int kDeviceList = 1007;
inline constexpr int kSearchButton = 1008;
inline constexpr int kSelectSubnetCheck = 1079;
inline constexpr int kBroadcastCheck = 1083;
inline constexpr int kScanProgress = 1048;
inline constexpr int kRestartButton = 1041;
inline constexpr int kFactoryResetButton = 1042;
inline constexpr int kFirmwareButton = 1049;

// --- Network settings area ---
inline constexpr int kNetworkFrame = 1060;
inline constexpr int kIpTypeLabel = 1061;
inline constexpr int kIpTypeList = 1014;
inline constexpr int kIpAddressLabel = 1062;
inline constexpr int kIpAddressEdit = 1016;
inline constexpr int kSubnetMaskLabel = 1063;
inline constexpr int kSubnetMaskEdit = 1017;
inline constexpr int kGatewayLabel = 1064;
inline constexpr int kGatewayEdit = 1018;
inline constexpr int kDnsLabel = 1065;
inline constexpr int kDnsEdit = 1020;
inline constexpr int kMacLabel = 1066;
inline constexpr int kMacEdit = 1023;
inline constexpr int kUserLabel = 1067;
inline constexpr int kUserEdit = 1019;
inline constexpr int kPasswordLabel = 1068;
inline constexpr int kPasswordEdit = 1021;
inline constexpr int kRs485Label = 1088;
inline constexpr int kRs485Edit = 1258;
inline constexpr int kInputChangedLabel = 1175;
inline constexpr int kOutputFollowCheck = 1173;
inline constexpr int kSendStatusCheck = 1174;
inline constexpr int kSaveNetworkButton = 1022;
inline constexpr int kStopEncryptionButton = 1081;

// --- WiFi area ---
inline constexpr int kWifiFrame = 1210;
inline constexpr int kWifiModeLabel = 1211;
inline constexpr int kWifiModeList = 1195;
inline constexpr int kApSsidEdit = 1196;
inline constexpr int kApPasswordLabel = 1212;
inline constexpr int kApPasswordEdit = 1197;
inline constexpr int kStaSsidEdit = 1198;
inline constexpr int kStaPasswordLabel = 1221;
inline constexpr int kStaPasswordEdit = 1199;
inline constexpr int kWifiScanButton = 1201;
inline constexpr int kSignalLabel = 1213;
inline constexpr int kSignalBar = 1200;
inline constexpr int kSignalText = 1202;

// --- Port settings area ---
inline constexpr int kPortFrame = 1069;
inline constexpr int kPortSelectLabel = 1070;
inline constexpr int kPortList = 1027;
inline constexpr int kEnableCheck = 1043;
inline constexpr int kInterfaceLabel = 1080;
inline constexpr int kInterfaceList = 1028;
inline constexpr int kBaudRateLabel = 1071;
inline constexpr int kBaudRateList = 1029;
inline constexpr int kParityLabel = 1072;
inline constexpr int kParityList = 1031;
inline constexpr int kDataBitsLabel = 1073;
inline constexpr int kDataBitsList = 1030;
inline constexpr int kStopBitsLabel = 1074;
inline constexpr int kStopBitsList = 1032;
inline constexpr int kWorkModeLabel = 1075;
inline constexpr int kWorkModeList = 1037;
inline constexpr int kRemoteHostLabel = 1076;
inline constexpr int kRemoteHostEdit = 1035;
inline constexpr int kRemotePortLabel = 1077;
inline constexpr int kRemotePortEdit = 1036;
inline constexpr int kLocalPortLabel = 1078;
inline constexpr int kLocalPortEdit = 1034;
inline constexpr int kHeartbeatDataLabel = 1092;
inline constexpr int kHeartbeatDataEdit = 1086;
inline constexpr int kHeartbeatTimeLabel = 1093;
inline constexpr int kHeartbeatTimeEdit = 1087;
inline constexpr int kModbusCheck = 1038;
inline constexpr int kModbusTimeoutLabel = 1085;
inline constexpr int kModbusTimeoutEdit = 1084;
inline constexpr int kCloudCheck = 1040;
inline constexpr int kCloudHelpLink = 1097;
inline constexpr int kCloudIdLabel = 1095;
inline constexpr int kCloudIdEdit = 1091;
inline constexpr int kCloudPasswordLabel = 1096;
inline constexpr int kCloudPasswordEdit = 1094;
inline constexpr int kSavePortButton = 1039;
inline constexpr int kStartEncryptionButton = 1082;

// --- Output time area ---
inline constexpr int kTimeFrame = 1222;
inline constexpr int kDeviceTimeLabel = 1238;
inline constexpr int kBoardDate = 1177;
inline constexpr int kBoardTime = 1178;
inline constexpr int kBoardWeekday = 1179;
inline constexpr int kCalibrateButton = 1192;
inline constexpr int kComputerTimeCheck = 1209;
inline constexpr int kTimingInputChangedLabel = 1203;
inline constexpr int kTimingOutputFollowCheck = 1176;
inline constexpr int kTimingSendStatusCheck = 1190;
inline constexpr int kScheduleList = 1180;
inline constexpr int kScheduleModeLabel = 1239;
inline constexpr int kTimerRadio = 1181;
inline constexpr int kStrobeRadio = 1182;
inline constexpr int kWeekRadio = 1183;
inline constexpr int kBoardTextLabel = 1207;
inline constexpr int kYearLabel = 1246;
inline constexpr int kMonthLabel = 1247;
inline constexpr int kDayLabel = 1248;
inline constexpr int kHourLabel = 1249;
inline constexpr int kMinuteLabel = 1250;
inline constexpr int kSecondLabel = 1251;
inline constexpr int kTimerOpenLabel = 1242;
inline constexpr int kTimerCloseLabel = 1244;
inline constexpr int kOpenYearEdit = 1184;   // 1184..1189: open year, month, day, hour, minute, second
inline constexpr int kCloseYearEdit = 1214;  // 1214..1219: close year ... second
inline constexpr int kStrobeOpenLabel = 1240;
inline constexpr int kStrobeOpenEdit = 1220;
inline constexpr int kStrobeCloseLabel = 1241;
inline constexpr int kStrobeCloseEdit = 1233;
inline constexpr int kWeekdayLabel = 1252;
inline constexpr int kWeekHourLabel = 1253;
inline constexpr int kWeekMinuteLabel = 1254;
inline constexpr int kWeekSecondLabel = 1255;
inline constexpr int kWeekOpenLabel = 1243;
inline constexpr int kOpenWeekdayList = 1191;
inline constexpr int kWeekOpenHourEdit = 1224;  // 1224..1226: open hour, minute, second
inline constexpr int kWeekCloseLabel = 1245;
inline constexpr int kCloseWeekdayList = 1234;
inline constexpr int kWeekCloseHourEdit = 1230;  // 1230..1232: close hour, minute, second
inline constexpr int kModifyButton = 1193;
inline constexpr int kReadScheduleButton = 1204;
inline constexpr int kSaveScheduleButton = 1208;
inline constexpr int kTimingStatusLabel = 1206;

// --- Bottom row ---
inline constexpr int kSaveConfigButton = 1194;
inline constexpr int kOneClickButton = 1089;
inline constexpr int kProfilePathLink = 1090;

struct ControlName {
    int id;
    std::string_view name;
};

// Object name of every control that has a resource number.
inline constexpr std::array kControlNames = std::to_array<ControlName>({
    {kDeviceListFrame, "deviceListFrame"},
    {kDeviceList, "deviceList"},
    {kSearchButton, "searchButton"},
    {kSelectSubnetCheck, "selectSubnetCheck"},
    {kBroadcastCheck, "broadcastCheck"},
    {kScanProgress, "scanProgress"},
    {kRestartButton, "restartButton"},
    {kFactoryResetButton, "factoryResetButton"},
    {kFirmwareButton, "firmwareButton"},
    {kNetworkFrame, "networkFrame"},
    {kIpTypeLabel, "ipTypeLabel"},
    {kIpTypeList, "ipTypeList"},
    {kIpAddressLabel, "ipAddressLabel"},
    {kIpAddressEdit, "ipAddressEdit"},
    {kSubnetMaskLabel, "subnetMaskLabel"},
    {kSubnetMaskEdit, "subnetMaskEdit"},
    {kGatewayLabel, "gatewayLabel"},
    {kGatewayEdit, "gatewayEdit"},
    {kDnsLabel, "dnsLabel"},
    {kDnsEdit, "dnsEdit"},
    {kMacLabel, "macLabel"},
    {kMacEdit, "macEdit"},
    {kUserLabel, "userLabel"},
    {kUserEdit, "userEdit"},
    {kPasswordLabel, "passwordLabel"},
    {kPasswordEdit, "passwordEdit"},
    {kRs485Label, "rs485Label"},
    {kRs485Edit, "rs485Edit"},
    {kInputChangedLabel, "inputChangedLabel"},
    {kOutputFollowCheck, "outputFollowCheck"},
    {kSendStatusCheck, "sendStatusCheck"},
    {kSaveNetworkButton, "saveNetworkButton"},
    {kStopEncryptionButton, "stopEncryptionButton"},
    {kWifiFrame, "wifiFrame"},
    {kWifiModeLabel, "wifiModeLabel"},
    {kWifiModeList, "wifiModeList"},
    {kApSsidEdit, "apSsidEdit"},
    {kApPasswordLabel, "apPasswordLabel"},
    {kApPasswordEdit, "apPasswordEdit"},
    {kStaSsidEdit, "staSsidEdit"},
    {kStaPasswordLabel, "staPasswordLabel"},
    {kStaPasswordEdit, "staPasswordEdit"},
    {kWifiScanButton, "wifiScanButton"},
    {kSignalLabel, "signalLabel"},
    {kSignalBar, "signalBar"},
    {kSignalText, "signalText"},
    {kPortFrame, "portFrame"},
    {kPortSelectLabel, "portSelectLabel"},
    {kPortList, "portList"},
    {kEnableCheck, "enableCheck"},
    {kInterfaceLabel, "interfaceLabel"},
    {kInterfaceList, "interfaceList"},
    {kBaudRateLabel, "baudRateLabel"},
    {kBaudRateList, "baudRateList"},
    {kParityLabel, "parityLabel"},
    {kParityList, "parityList"},
    {kDataBitsLabel, "dataBitsLabel"},
    {kDataBitsList, "dataBitsList"},
    {kStopBitsLabel, "stopBitsLabel"},
    {kStopBitsList, "stopBitsList"},
    {kWorkModeLabel, "workModeLabel"},
    {kWorkModeList, "workModeList"},
    {kRemoteHostLabel, "remoteHostLabel"},
    {kRemoteHostEdit, "remoteHostEdit"},
    {kRemotePortLabel, "remotePortLabel"},
    {kRemotePortEdit, "remotePortEdit"},
    {kLocalPortLabel, "localPortLabel"},
    {kLocalPortEdit, "localPortEdit"},
    {kHeartbeatDataLabel, "heartbeatDataLabel"},
    {kHeartbeatDataEdit, "heartbeatDataEdit"},
    {kHeartbeatTimeLabel, "heartbeatTimeLabel"},
    {kHeartbeatTimeEdit, "heartbeatTimeEdit"},
    {kModbusCheck, "modbusCheck"},
    {kModbusTimeoutLabel, "modbusTimeoutLabel"},
    {kModbusTimeoutEdit, "modbusTimeoutEdit"},
    {kCloudCheck, "cloudCheck"},
    {kCloudHelpLink, "cloudHelpLink"},
    {kCloudIdLabel, "cloudIdLabel"},
    {kCloudIdEdit, "cloudIdEdit"},
    {kCloudPasswordLabel, "cloudPasswordLabel"},
    {kCloudPasswordEdit, "cloudPasswordEdit"},
    {kSavePortButton, "savePortButton"},
    {kStartEncryptionButton, "startEncryptionButton"},
    {kTimeFrame, "timeFrame"},
    {kDeviceTimeLabel, "deviceTimeLabel"},
    {kBoardDate, "boardDate"},
    {kBoardTime, "boardTime"},
    {kBoardWeekday, "boardWeekday"},
    {kCalibrateButton, "calibrateButton"},
    {kComputerTimeCheck, "computerTimeCheck"},
    {kTimingInputChangedLabel, "timingInputChangedLabel"},
    {kTimingOutputFollowCheck, "timingOutputFollowCheck"},
    {kTimingSendStatusCheck, "timingSendStatusCheck"},
    {kScheduleList, "scheduleList"},
    {kScheduleModeLabel, "scheduleModeLabel"},
    {kTimerRadio, "timerRadio"},
    {kStrobeRadio, "strobeRadio"},
    {kWeekRadio, "weekRadio"},
    {kBoardTextLabel, "boardTextLabel"},
    {kYearLabel, "yearLabel"},
    {kMonthLabel, "monthLabel"},
    {kDayLabel, "dayLabel"},
    {kHourLabel, "hourLabel"},
    {kMinuteLabel, "minuteLabel"},
    {kSecondLabel, "secondLabel"},
    {kTimerOpenLabel, "timerOpenLabel"},
    {kTimerCloseLabel, "timerCloseLabel"},
    {kOpenYearEdit, "openYearEdit"},
    {kOpenYearEdit + 1, "openMonthEdit"},
    {kOpenYearEdit + 2, "openDayEdit"},
    {kOpenYearEdit + 3, "openHourEdit"},
    {kOpenYearEdit + 4, "openMinuteEdit"},
    {kOpenYearEdit + 5, "openSecondEdit"},
    {kCloseYearEdit, "closeYearEdit"},
    {kCloseYearEdit + 1, "closeMonthEdit"},
    {kCloseYearEdit + 2, "closeDayEdit"},
    {kCloseYearEdit + 3, "closeHourEdit"},
    {kCloseYearEdit + 4, "closeMinuteEdit"},
    {kCloseYearEdit + 5, "closeSecondEdit"},
    {kStrobeOpenLabel, "strobeOpenLabel"},
    {kStrobeOpenEdit, "strobeOpenEdit"},
    {kStrobeCloseLabel, "strobeCloseLabel"},
    {kStrobeCloseEdit, "strobeCloseEdit"},
    {kWeekdayLabel, "weekdayLabel"},
    {kWeekHourLabel, "weekHourLabel"},
    {kWeekMinuteLabel, "weekMinuteLabel"},
    {kWeekSecondLabel, "weekSecondLabel"},
    {kWeekOpenLabel, "weekOpenLabel"},
    {kOpenWeekdayList, "openWeekdayList"},
    {kWeekOpenHourEdit, "weekOpenHourEdit"},
    {kWeekOpenHourEdit + 1, "weekOpenMinuteEdit"},
    {kWeekOpenHourEdit + 2, "weekOpenSecondEdit"},
    {kWeekCloseLabel, "weekCloseLabel"},
    {kCloseWeekdayList, "closeWeekdayList"},
    {kWeekCloseHourEdit, "weekCloseHourEdit"},
    {kWeekCloseHourEdit + 1, "weekCloseMinuteEdit"},
    {kWeekCloseHourEdit + 2, "weekCloseSecondEdit"},
    {kModifyButton, "modifyButton"},
    {kReadScheduleButton, "readScheduleButton"},
    {kSaveScheduleButton, "saveScheduleButton"},
    {kTimingStatusLabel, "timingStatusLabel"},
    {kSaveConfigButton, "saveConfigButton"},
    {kOneClickButton, "oneClickButton"},
    {kProfilePathLink, "profilePathLink"},
});

// Object name of a control, or empty for an unknown id.
constexpr std::string_view objectNameOf(int id) {
    for (const ControlName& entry : kControlNames)
        if (entry.id == id) return entry.name;
    return {};
}

}  // namespace tavrel::ids
