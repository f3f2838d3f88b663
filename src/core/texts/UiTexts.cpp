#include "texts/UiTexts.h"

#include <array>

namespace tavrel {
namespace {

// One row per member: both languages side by side, so a text can't be loaded in one language only.
// The texts are the program's own, blanks, typos and full-width characters included.
struct TextRow {
    std::string_view name;
    std::string UiTexts::*member;
    std::string_view english;
    std::string_view chinese;
};

#define TAVREL_TEXT(member, english, chinese)       \
    TextRow {                                       \
#member, &UiTexts::member, english, chinese \
    }

constexpr auto kRows = std::to_array<TextRow>({
    // Main window and about box
    TAVREL_TEXT(mainCaption, "Tavrel   网络IO控制板控制软件   V228 ",
                "Tavrel   网络IO控制板控制软件   V228 "),
    TAVREL_TEXT(versionLabel, "V228 ", "V228 "),
    TAVREL_TEXT(aboutCaption, "About", "关于"),
    TAVREL_TEXT(aboutNotice, "Copyright (C) Tavrel", "版权所有 (C) Tavrel"),

    // Menus
    TAVREL_TEXT(deviceMenu, "Device", "设备"),
    TAVREL_TEXT(firmwareUpgrade, "Firmware Upgrade", "固件升级"),
    TAVREL_TEXT(exportProfile, "Export profile", "导出配置"),
    TAVREL_TEXT(importProfile, "Import profile", "导入配置"),
    TAVREL_TEXT(ioControl, "IO Control", "IO 控制"),
    TAVREL_TEXT(undoLastChange, "Undo Last Change", "撤销上次修改"),
    TAVREL_TEXT(languageMenu, "Language", "Language"),
    TAVREL_TEXT(englishItem, "English", "English"),
    TAVREL_TEXT(adapterMenu, "Network Adapter", "网络适配器"),
    TAVREL_TEXT(defaultAdapter, "Default", "默认"),
    TAVREL_TEXT(aboutCommand, "About", "关于"),

    // Device list area
    TAVREL_TEXT(deviceListFrame, "Device List", "设备列表"),
    TAVREL_TEXT(columnDeviceIp, "Device IP", "设备IP"),
    TAVREL_TEXT(columnMac, "MAC", "MAC地址"),
    TAVREL_TEXT(columnSoftware, "Software", "固件版本"),
    TAVREL_TEXT(columnHardware, "Hardware", "硬件版本"),
    TAVREL_TEXT(searchButton, "Search Device", "搜索设备"),
    TAVREL_TEXT(selectSubnetCheck, "Select Subnet", "指定网段"),
    TAVREL_TEXT(broadcastCheck, "Broadcast", "广播搜索"),
    TAVREL_TEXT(restartButton, "Device Restart", "重启设备"),
    TAVREL_TEXT(factoryResetButton, "Factory Reset", "恢复出厂"),

    // Network settings area
    TAVREL_TEXT(networkFrame, "Set Device", "设备设置"),
    TAVREL_TEXT(labelIpType, "IP  Type    :", "IP地址类型 :"),
    TAVREL_TEXT(ipTypeStatic, "Static IP", "静态 IP"),
    TAVREL_TEXT(ipTypeDhcp, "DHCP   IP", "动态 IP"),
    TAVREL_TEXT(labelIp, "IP          :", "IP       :"),
    TAVREL_TEXT(labelSubnetMask, "Subnet Mask :", "子网掩码 :"),
    TAVREL_TEXT(labelGateway, "Gataway     :", "网关     :"),
    TAVREL_TEXT(labelDns, "DNS         :", "DNS      :"),
    TAVREL_TEXT(labelMac, "MAC Adress  :", "MAC地址  :"),
    TAVREL_TEXT(labelUser, "User        :", "用户名   :"),
    TAVREL_TEXT(labelPassword, "Password    :", "密码     :"),
    TAVREL_TEXT(labelInputChanged, "Input changed:", "输入状态改变时："),
    TAVREL_TEXT(outputFollowCheck, "Output follow", "关联到输出"),
    TAVREL_TEXT(sendStatusCheck, "Send status", "自动上报状态"),
    TAVREL_TEXT(saveDataButton, "Save Data", "保存设置"),

    // Port settings area
    TAVREL_TEXT(portFrame, "Port Setting", "端口设置"),
    TAVREL_TEXT(enableCheck, "Enable", "使能"),
    TAVREL_TEXT(labelSelectPort, "Select Port:", "端口选择 :"),
    TAVREL_TEXT(labelSerialMode, "SerialMode :", "串口类型 :"),
    TAVREL_TEXT(labelBaudRate, "Baudrate   :", "波特率   :"),
    TAVREL_TEXT(labelParity, "Parity Bit :", "校验位   :"),
    TAVREL_TEXT(labelDataBits, "Data   Bit :", "数据位   :"),
    TAVREL_TEXT(labelStopBits, "Stop   Bit :", "停止位   :"),
    TAVREL_TEXT(labelWorkMode, "Work Mode  :", "工作模式 :"),
    TAVREL_TEXT(labelRemoteIp, "Remote IP  :", "目标IP/域名:"),
    TAVREL_TEXT(labelRemotePort, "Remote Port:", "目标端口 :"),
    TAVREL_TEXT(labelLocalPort, "Local Port :", "本地端口 :"),
    TAVREL_TEXT(modbusTcpToRtuCheck, "Modbus TCP to RTU", "Modbus TCP转RTU"),
    TAVREL_TEXT(labelHeartbeatData, "HeartbeatData:", "心跳包数据："),
    TAVREL_TEXT(labelHeartbeatTime, "HeartbeatTime:", "心跳包间隔："),
    TAVREL_TEXT(oneClickButton, "One-click Setting", "一键配置"),

    // WiFi area and scan list
    TAVREL_TEXT(wifiFrame, "Set WIFI", "WIFI设置"),
    TAVREL_TEXT(labelWifiMode, "Mode", "模式"),
    TAVREL_TEXT(wifiScanButton, "Scan", "搜索"),
    TAVREL_TEXT(labelWifiPassword, "PWD", "密码"),
    TAVREL_TEXT(labelSignal, "Signal", "信号强度"),
    TAVREL_TEXT(wifiSearching, "Searching...", "正在搜索..."),
    TAVREL_TEXT(wifiSearchTimeout, "Search Timeout", "搜索超时"),
    TAVREL_TEXT(wifiDoubleClickHint, "Double click selection", "双击选择"),

    // Output time area
    TAVREL_TEXT(timeFrame, "Time Setting", "输出时间设置"),
    TAVREL_TEXT(computerTimeCheck, "Computer Time", "使用电脑时间"),
    TAVREL_TEXT(labelDeviceTime, "Device Time", "控制板时间"),
    TAVREL_TEXT(calibrateButton, "Calibration", "校正"),
    TAVREL_TEXT(scheduleColumnIndex, "Index", "序号"),
    TAVREL_TEXT(scheduleColumnMode, "Mode", "模式"),
    TAVREL_TEXT(scheduleColumnOpenTime, "Open Time", "打开时间"),
    TAVREL_TEXT(scheduleColumnCloseTime, "Close Time", "关闭时间"),
    TAVREL_TEXT(timerCheck, "Timer", "定时"),
    TAVREL_TEXT(strobeCheck, "Strobe", "频闪"),
    TAVREL_TEXT(weekCheck, "Week", "星期"),
    TAVREL_TEXT(labelYear, "Year", "年"),
    TAVREL_TEXT(labelMonth, "Mon.", "月"),
    TAVREL_TEXT(labelDay, "Day", "日"),
    TAVREL_TEXT(labelHour, "Hour", "时"),
    TAVREL_TEXT(labelMinute, "Min.", "分"),
    TAVREL_TEXT(labelSecond, "Sec.", "秒"),
    TAVREL_TEXT(modifyButton, "Modify", "修改"),
    TAVREL_TEXT(readButton, "Read", "读取参数"),
    TAVREL_TEXT(saveButton, "Save", "保存参数"),

    // Firmware upgrade
    TAVREL_TEXT(confirmUpgrade, "Be sure to upgrade the firmware?", "确定要升级固件吗？"),
    TAVREL_TEXT(firmwareTargetLabel, "Device    :", "目标"),
    TAVREL_TEXT(firmwareFileLabel, "Firmware :", "固件"),
    TAVREL_TEXT(firmwareOpenButton, "Open", "浏览"),
    TAVREL_TEXT(firmwareStartButton, "Start Upgrade", "开始升级固件"),
    TAVREL_TEXT(firmwareNoFile, "Please open a file!", "请先打开一个文件!"),
    TAVREL_TEXT(firmwareCannotOpen, "can`t open", "无法打开文件"),
    TAVREL_TEXT(firmwareTooBig, "file_is_too_big", "文件太大，请打开一个小于1M的文件"),
    TAVREL_TEXT(firmwareNameTooLong, "The file name is too long!", "文件名太长!"),
    TAVREL_TEXT(firmwareNoAnswer,
                "The device did not answer the upload within %d s. The firmware was not upgraded.",
                "设备在%d秒内没有应答，固件未升级。"),
    TAVREL_TEXT(
        firmwareStalled,
        "The device stopped answering: block %d was not acknowledged within %d s. The firmware was not "
        "upgraded.",
        "设备停止应答：第%d块在%d秒内未被确认，固件未升级。"),

    // Common dialog texts
    TAVREL_TEXT(infoCaption, "Info", "信息"),
    TAVREL_TEXT(broadcastAddressLabel, "BroadcastAdress:", "广播地址:"),
    TAVREL_TEXT(okButton, "OK", "确定"),
    TAVREL_TEXT(cancelButton, "Cancel", "取消"),

    // Search and status
    TAVREL_TEXT(searchTimeout, "Search timeout,No device found", "搜索超时，未发现设备"),
    TAVREL_TEXT(searchingDevice, "Searching device...", "正在搜索设备..."),
    TAVREL_TEXT(searchPort, "Search port: 1111", "搜索端口: 1111"),
    TAVREL_TEXT(searchEnd, "Search end", "已完成搜索"),
    TAVREL_TEXT(searchProgress, " no answer yet, %1 s left", " 尚无设备应答，剩余 %1 秒"),
    TAVREL_TEXT(stopSearchButton, "Stop Search", "停止搜索"),
    TAVREL_TEXT(searchStopped, "Search stopped", "搜索已停止"),
    TAVREL_TEXT(deviceChangedSinceShown,
                "These settings changed on the device since it was shown: %s. Save your edits and keep "
                "the device's values there?",
                "以下参数在显示后已在设备上被修改：%s。保存您的修改并保留设备上的这些值吗？"),
    TAVREL_TEXT(profileExported, "Profile written to %1", "配置文件已保存到 %1"),
    TAVREL_TEXT(profileImported, "Profile imported from %1", "已导入配置文件 %1"),
    TAVREL_TEXT(boardClockReadAt, "Board clock as read at %1", "板卡时钟读取于 %1"),
    TAVREL_TEXT(selectDevicePrompt, "Please select a device", "请在设备列表中选择一个设备"),
    TAVREL_TEXT(sendingData, "Sending data...", "正在发送配置请求..."),
    TAVREL_TEXT(savedSuccessfully, "Successfully saved", "配置成功"),
    TAVREL_TEXT(scanIpPrefix, "IP:", "搜索IP:"),

    // Incomplete read-outs and the reply port
    TAVREL_TEXT(incompleteDeviceHint, "Some settings of this device were not read.",
                "此设备的部分参数未能读取。"),
    TAVREL_TEXT(incompleteSaveQuestion,
                "Some settings of this device were not read (%s). Saving may overwrite them with empty "
                "values. Save anyway?",
                "此设备的部分参数未能读取（%s）。保存可能会用空值覆盖它们。仍然保存吗？"),
    TAVREL_TEXT(incompleteExportQuestion,
                "Some settings of this device were not read (%s). The profile would hold empty values "
                "for them. Export anyway?",
                "此设备的部分参数未能读取（%s）。配置文件中将为空值。仍然导出吗？"),
    TAVREL_TEXT(noAnswer, "No answer from the device", "设备无应答"),
    TAVREL_TEXT(factoryResetQuestion, "Be sure to restore factory settings?", "确定要恢复出厂设置吗？"),
    TAVREL_TEXT(upgradeComplete, "Upgraded", "升级完成"),
    TAVREL_TEXT(rereadingDevice, "The device changed its settings; reading it again...",
                "设备参数已改变，正在重新读取..."),
    TAVREL_TEXT(deviceNotBack, "The device did not answer again; search again to see it.",
                "设备未再应答，请重新搜索。"),
    TAVREL_TEXT(undoQuestion,
                "Write the settings this device had before its last change back? These change:\n%s",
                "将此设备恢复为上次修改前的设置吗？将改变以下参数：\n%s"),
    TAVREL_TEXT(undoNothingDiffers, "The device already holds the settings it had before its last change.",
                "设备当前参数与上次修改前相同。"),
    TAVREL_TEXT(restartingDevice, "Restarting %s...", "正在重启设备 %s..."),
    TAVREL_TEXT(deviceRestarted, "%s restarted and answered again.", "设备 %s 已重启并重新应答。"),
    TAVREL_TEXT(resettingDevice, "Restoring the factory settings of %s...", "正在恢复设备 %s 的出厂设置..."),
    TAVREL_TEXT(deviceResetDone, "%s is back with its factory settings.",
                "设备 %s 已恢复出厂设置并重新应答。"),
    TAVREL_TEXT(writeDiffers, "The device reads back differently: %s", "设备回读的参数与写入的不同：%s"),
    TAVREL_TEXT(writeNotBack, "The device was not read again after the write; search again to check it.",
                "写入后未能重新读取设备，请重新搜索确认。"),
    TAVREL_TEXT(deviceBusy, "Another copy of the tool is writing to this device; nothing was sent.",
                "另一个程序正在写入此设备，未发送任何数据。"),
    TAVREL_TEXT(
        oneClickPackedBoard,
        "This board takes its settings as one whole configuration record; a profile cannot be applied "
        "to it. Nothing was sent.",
        "此设备以整体配置记录保存参数，不能应用配置文件。未发送任何数据。"),
    TAVREL_TEXT(addressWarningQuestion, "%sSave anyway?", "%s仍然保存吗？"),
    TAVREL_TEXT(firmwareEmpty, ": the file is empty; nothing was sent.", "：文件为空，未发送任何数据。"),
    TAVREL_TEXT(
        deviceChangedSinceRead,
        "Another copy of the tool wrote to this device after it was read; search again before saving. "
        "Nothing was sent.",
        "此设备在读取后已被另一个程序修改，请重新搜索后再保存。未发送任何数据。"),
    TAVREL_TEXT(snapshotFailed, "The settings before this change could not be kept: %s",
                "未能保存修改前的参数：%s"),
    TAVREL_TEXT(profileAddressInUse,
                "The profile's IP address %1 belongs to the listed device %2. Give this device the same "
                "address anyway?",
                "配置文件的IP地址 %1 已属于列表中的设备 %2。仍然将此地址配置给本设备吗？"),
    TAVREL_TEXT(portInUsePattern,
                "UDP port %d is in use by another program (is the tool already running?). Devices cannot "
                "answer this window until it is free; then choose a network adapter to try again.",
                "UDP端口 %d 已被其他程序占用（本工具是否已在运行？）。端口空闲之前设备无法应答本窗口；"
                "空闲后请在“网络适配器”菜单中重新选择适配器。"),

    // Profiles
    TAVREL_TEXT(badProfile, "Bad Profile!", "无效的配置文件!"),
    TAVREL_TEXT(portCountMismatch, "The number of ports is not equal！", "端口数不匹配！"),
    TAVREL_TEXT(profileWriteFailed, "The profile could not be written: ", "配置文件无法写入: "),
    TAVREL_TEXT(profileOverwrite, "%1 already exists.\nDo you want to replace it?",
                "%1 已存在。\n要替换它吗？"),

    // Messages chosen by language outside the main tables
    TAVREL_TEXT(subnetMismatch,
                "Device IP and computer IP are not in a subnet . Please set IP first to ensure that both of "
                "them are in one.",
                "控制板IP和电脑IP不在一个网段，请先设置IP，保证两者在一个网段"),
    TAVREL_TEXT(readParametersFirst, "please read  parameter first", "请先读取参数"),
    TAVREL_TEXT(chooseScheduleRow, "Please choose one", "请选中一行"),
    TAVREL_TEXT(chooseBoard, "Please choose one", "请选中一个控制板"),

    // Network and port group checks
    TAVREL_TEXT(invalidIpType, "Please choose the IP address type.", "请选择IP地址类型。"),
    TAVREL_TEXT(invalidIpAddress, "Invalid IP address: enter four numbers 0-255, e.g. 192.168.1.200.",
                "IP地址无效：请输入4个0-255的数字，例如 192.168.1.200。"),
    TAVREL_TEXT(invalidSubnetMask, "Invalid subnet mask: enter four numbers 0-255, e.g. 255.255.255.0.",
                "子网掩码无效：请输入4个0-255的数字，例如 255.255.255.0。"),
    TAVREL_TEXT(invalidGateway, "Invalid gateway: enter four numbers 0-255, e.g. 192.168.1.1.",
                "网关无效：请输入4个0-255的数字，例如 192.168.1.1。"),
    TAVREL_TEXT(invalidDns, "Invalid DNS server: enter four numbers 0-255, e.g. 192.168.1.1.",
                "DNS无效：请输入4个0-255的数字，例如 192.168.1.1。"),
    TAVREL_TEXT(invalidMacAddress,
                "Invalid MAC address: enter 12 hexadecimal digits, e.g. 00-CA-C1-19-00-33.",
                "MAC地址无效：请输入12位十六进制数字，例如 00-CA-C1-19-00-33。"),
    TAVREL_TEXT(heartbeatDataTooLong, "Heartbeat data is at most 16 characters.", "心跳包数据最多16个字符。"),
    TAVREL_TEXT(fieldIpAddress, "IP address", "IP地址"),
    TAVREL_TEXT(fieldSubnetMask, "Subnet mask", "子网掩码"),
    TAVREL_TEXT(fieldGateway, "Gateway", "网关"),
    TAVREL_TEXT(fieldDns, "DNS server", "DNS服务器"),
    TAVREL_TEXT(fieldMac, "MAC address", "MAC地址"),
    TAVREL_TEXT(fieldUser, "User name", "用户名"),
    TAVREL_TEXT(fieldPassword, "Password", "密码"),
    TAVREL_TEXT(addressUnspecified, "%1: %2 is the unspecified address; a device cannot hold it.",
                "%1：%2 是未指定地址，设备不能使用。"),
    TAVREL_TEXT(addressBroadcast, "%1: %2 is the broadcast address; a device cannot hold it.",
                "%1：%2 是广播地址，设备不能使用。"),
    TAVREL_TEXT(addressMulticast, "%1: %2 is a multicast address; a device cannot hold it.",
                "%1：%2 是组播地址，设备不能使用。"),
    TAVREL_TEXT(addressReserved,
                "%1: %2 is in the reserved range 240.0.0.0 and above; a device cannot hold it.",
                "%1：%2 属于保留地址段（240.0.0.0 及以上），设备不能使用。"),
    TAVREL_TEXT(addressLoopback, "%1: %2 is a loopback address; a device cannot hold it.",
                "%1：%2 是环回地址，设备不能使用。"),
    TAVREL_TEXT(addressZeroNetwork, "%1: %2 is in 0.0.0.0/8, which no host may use.",
                "%1：%2 属于 0.0.0.0/8 地址段，任何主机都不能使用。"),
    TAVREL_TEXT(addressSubnetNetwork,
                "%1: %2 is the network address of its subnet (mask %3); a device cannot hold it.",
                "%1：%2 是其子网（掩码 %3）的网络地址，设备不能使用。"),
    TAVREL_TEXT(addressSubnetBroadcast,
                "%1: %2 is the broadcast address of its subnet (mask %3); a device cannot hold it.",
                "%1：%2 是其子网（掩码 %3）的广播地址，设备不能使用。"),
    TAVREL_TEXT(maskNotContiguous,
                "%1: %2 is not a mask: its ones must come first, then only zeros (e.g. 255.255.255.0).",
                "%1：%2 不是有效的掩码：必须先是连续的1，再是连续的0（例如 255.255.255.0）。"),
    TAVREL_TEXT(maskEmpty, "%1: %2 leaves no network; enter a mask such as 255.255.255.0.",
                "%1：%2 没有网络部分，请输入如 255.255.255.0 的掩码。"),
    TAVREL_TEXT(maskHostOnly, "%1: %2 leaves no other address in the subnet; the device could reach no one.",
                "%1：%2 使子网中没有其他地址，设备将无法与任何主机通信。"),
    TAVREL_TEXT(macMulticast,
                "%1: %2 is a group (multicast) address, its first byte must be even; a device cannot "
                "hold it.",
                "%1：%2 是组播地址（第一个字节必须为偶数），设备不能使用。"),
    TAVREL_TEXT(macZero, "%1: %2 is all zeros; a device cannot hold it.", "%1：%2 全为零，设备不能使用。"),
    TAVREL_TEXT(textTooLong, "%1: at most %3 bytes; the text has %2.",
                "%1：最多 %3 个字节，输入的有 %2 个。"),
    TAVREL_TEXT(gatewayOutsideSubnet,
                "%1: %2 is outside the device's subnet %3; the device cannot reach it directly.",
                "%1：%2 不在设备的子网 %3 内，设备无法直接访问它。"),
    TAVREL_TEXT(addressInUse, "%1: %2 is already held by another device in the list.",
                "%1：%2 已被列表中的另一台设备使用。"),

    // Profiles refused by the strict reader
    TAVREL_TEXT(profileLineError, "line %1: %2=%3: %4", "第%1行：%2=%3：%4"),
    TAVREL_TEXT(profileNotIpv4, "not an IPv4 address (four numbers 0-255)", "不是IPv4地址（4个0-255的数字）"),
    TAVREL_TEXT(profileNotMac, "not a MAC address (six hexadecimal pairs, e.g. 00-CA-C1-19-00-33)",
                "不是MAC地址（6组十六进制数，例如 00-CA-C1-19-00-33）"),
    TAVREL_TEXT(profileNumberRange, "not a number %1-%2", "不是%1-%2的数字"),
    TAVREL_TEXT(profileNotInList, "not one of %1", "不是以下之一：%1"),
    TAVREL_TEXT(profileTextTooLong, "longer than its %1 bytes", "超过 %1 个字节"),
    TAVREL_TEXT(profileNoDeviceSection, "no [%1] section: not a device profile",
                "没有 [%1] 节：不是设备配置文件"),
    TAVREL_TEXT(profileTooLarge, "larger than %1 bytes: not a profile", "大于 %1 字节：不是配置文件"),
    TAVREL_TEXT(profileUnreadable, "the file cannot be read", "无法读取该文件"),

    // IO control window
    TAVREL_TEXT(ioNetworkSetting, "Network Setting", "网络设置"),
    TAVREL_TEXT(ioDeviceSetting, "Device Setting", "控制板参数设置"),
    TAVREL_TEXT(ioInput, "Input", "开关量输入"),
    TAVREL_TEXT(ioOutput, "Output", "开关量输出"),
    TAVREL_TEXT(ioAnalog, "Analog", "模拟"),
    TAVREL_TEXT(ioLabelProtocolType, "(1)Protocol", "(1)协议类型"),
    TAVREL_TEXT(ioLabelLocalIp, "(2)Local Ip", "(2)本地IP"),
    TAVREL_TEXT(ioLabelLocalPort, "(3)Local Port", "(3)本地端口"),
    TAVREL_TEXT(ioLabelDeviceIp, "Device Ip", "控制板IP"),
    TAVREL_TEXT(ioLabelDevicePort, "Device Port", "控制板端口"),
    TAVREL_TEXT(ioConnect, "Connect", "连接"),
    TAVREL_TEXT(ioDisconnect, "Disconnect", "断开"),
    TAVREL_TEXT(ioProtocolGroup, "Protocol", "通讯协议"),
    TAVREL_TEXT(ioAddressGroup, "Address", "地址"),
    TAVREL_TEXT(ioSelfDefine, "Self define", "自定义协议"),
    TAVREL_TEXT(ioModbus, "Modbus", "Modbus协议"),
    TAVREL_TEXT(ioAllOn, "Output：All ON", "输出：全部打开"),
    TAVREL_TEXT(ioAllOff, "Output：All OFF", "输出：全部关闭"),
    TAVREL_TEXT(ioTimeInterval, "Time Interval", "数据请求间隔"),
    TAVREL_TEXT(ioClear, "Clear", "清除"),
    TAVREL_TEXT(ioShowCommand, "Show Command", "显示扫描命令"),
    TAVREL_TEXT(ioStopShowing, "Stop Showing", "停止显示"),
    TAVREL_TEXT(ioTips, "Tips", "提示栏"),
    TAVREL_TEXT(ioCommand, "Command", "命令数据"),
    TAVREL_TEXT(ioDeviceModel, "Device Model", "控制板型号"),
    TAVREL_TEXT(ioConnected, "Connected", "已连接到控制板"),
    TAVREL_TEXT(ioConnecting, "Connecting", "正在连接..."),
    TAVREL_TEXT(ioConnectFailed, "Connect failed", "连接失败"),
    TAVREL_TEXT(ioListening, "Listening", "等待控制板连接"),
    TAVREL_TEXT(ioSaveLog, "Save log", "保存日志"),
    TAVREL_TEXT(ioSaveLogFailed, "Cannot save the log: ", "日志保存失败："),
    TAVREL_TEXT(ioChunksDropped, "frames dropped (too fast): ", "数据过快，已丢弃帧："),

    // Doctor and the device list's marks
    TAVREL_TEXT(doctorNothingFoundCause, "No device answered a search through any network card.",
                "通过所有网卡搜索，都没有设备应答。"),
    TAVREL_TEXT(
        doctorNothingFoundRemedy,
        "Check the device's power and cable, that it is on the LAN of one of this computer's cards, "
        "and that a firewall lets UDP answers to port %1 in.",
        "请检查设备电源和网线、设备是否与本机某个网卡在同一局域网，以及防火墙是否放行发往 UDP 端口 %1 "
        "的应答。"),
    TAVREL_TEXT(doctorPortInUseCause,
                "UDP port %1 is held by %2: the devices' answers go to that program, not to "
                "this tool.",
                "UDP 端口 %1 被 %2 占用：设备的应答会发给该程序，而不是本工具。"),
    TAVREL_TEXT(doctorPortInUseRemedy,
                "Close %2 and search again (tavrel-cli can use any free port with --local-port 0).",
                "请关闭 %2 后重新搜索（tavrel-cli 可用 --local-port 0 使用任意空闲端口）。"),
    TAVREL_TEXT(doctorUnknownProgram, "another program", "其他程序"),
    TAVREL_TEXT(
        doctorForeignSubnetCause,
        "Device %1 (%2) answered on card %3 (%4/%5) but its address is outside that subnet: it can be "
        "found and set, but not reached by its address (IO control, firmware upgrade).",
        "设备 %1（%2）从网卡 %3（%4/%5）应答，但其地址不在该子网内：可以搜索和配置，但无法按地址访问"
        "（IO 控制、固件升级）。"),
    TAVREL_TEXT(
        doctorForeignSubnetRemedy,
        "Move it into the card's subnet. The command goes by broadcast and MAC, so it reaches the device "
        "where it is:",
        "请把设备改到该网卡的子网。下面的命令按广播和 MAC 发送，设备在当前地址也能收到："),
    TAVREL_TEXT(doctorDuplicateIpCause,
                "%1 devices answer from the address %2 (%3): what is sent to that address reaches only one "
                "of them.",
                "%1 台设备使用同一地址 %2（%3）：发往该地址的数据只能到达其中一台。"),
    TAVREL_TEXT(doctorDuplicateIpRemedy,
                "Give each device an address of its own.", "请给每台设备设置各自的地址。"),
    TAVREL_TEXT(doctorDuplicateKeyCause,
                "Devices at %1 answer with one key or MAC %2: the tool takes them for one device and mixes "
                "their settings.",
                "位于 %1 的设备使用同一标识或 MAC %2：本工具会把它们当作一台设备，参数会混在一起。"),
    TAVREL_TEXT(
        doctorDuplicateKeyRemedy,
        "Keep one of them on the LAN, give the other a MAC of its own (set-network --mac), then search "
        "again.",
        "请只保留其中一台在网络上，给另一台设置不同的 MAC（set-network --mac），然后重新搜索。"),
    TAVREL_TEXT(doctorNoUnicastCause,
                "Device %1 (%2) answers the broadcast but not a search sent to its own "
                "address.",
                "设备 %1（%2）应答广播搜索，但不应答发往其自身地址的搜索。"),
    TAVREL_TEXT(doctorNoUnicastRemedy,
                "Look for another host with the address %1, a firewall, or a route that leads away from card "
                "%2; commands by broadcast still reach it.",
                "请检查是否有其他主机使用地址 %1、防火墙，或去往该地址的路由没有经过网卡 %2；按广播发送的命令"
                "仍能到达设备。"),
    TAVREL_TEXT(doctorCard, "Card %1 (%2/%3): %4 device(s)", "网卡 %1（%2/%3）：%4 台设备"),
    TAVREL_TEXT(doctorDefaultBinding, "Default binding: %1 device(s)", "默认绑定：%1 台设备"),
    TAVREL_TEXT(doctorPortFree, "%1 (UDP %2): free", "%1（UDP %2）：空闲"),
    TAVREL_TEXT(doctorPortHeld, "%1 (UDP %2): held by %3", "%1（UDP %2）：被 %3 占用"),
    TAVREL_TEXT(doctorLocalPort, "Local port", "本地端口"),
    TAVREL_TEXT(doctorTftpPort, "TFTP port", "TFTP 端口"),
    TAVREL_TEXT(doctorNoUnicastMark, "(no answer at its own address)", "（自身地址无应答）"),
    TAVREL_TEXT(doctorCause, "Cause: ", "原因："),
    TAVREL_TEXT(doctorRemedy, "Remedy: ", "解决："),
    TAVREL_TEXT(doctorNoProblems, "No problems found.", "未发现问题。"),
    TAVREL_TEXT(markDuplicateIp, "Another device answers from %1 too: give each device its own address.",
                "另有设备也使用 %1：请给每台设备设置各自的地址。"),
    TAVREL_TEXT(markForeignSubnet,
                "%1 is outside the subnet of this computer's network card: set the device's IP first.",
                "%1 不在本机网卡的子网内：请先设置设备的 IP。"),
    TAVREL_TEXT(exportList, "Export List…", "导出列表…"),
    TAVREL_TEXT(exportListFailed, "The list could not be written: ", "列表无法写入: "),
    TAVREL_TEXT(exportListSecrets,
                "Write the passwords into the list in plain text? Choose No to mask them as ********.",
                "是否以明文写入密码？选择“否”则以 ******** 代替。"),
    TAVREL_TEXT(loadFleetSheet, "Load Fleet Sheet…", "载入设备清单…"),
    TAVREL_TEXT(fleetSheetBad, "The fleet sheet cannot be used; nothing was sent:",
                "设备清单无法使用，未发送任何数据："),
    TAVREL_TEXT(fleetCaption, "Fleet Sheet", "设备清单"),
    TAVREL_TEXT(fleetColumnDevice, "Device", "设备"),
    TAVREL_TEXT(fleetColumnField, "Field", "字段"),
    TAVREL_TEXT(fleetColumnFrom, "From", "原值"),
    TAVREL_TEXT(fleetColumnTo, "To", "新值"),
    TAVREL_TEXT(fleetColumnResult, "Result", "结果"),
    TAVREL_TEXT(fleetApply, "Apply", "应用"),
    TAVREL_TEXT(fleetClose, "Close", "关闭"),
    TAVREL_TEXT(fleetUnchanged, "Holds its row", "与清单一致"),
    TAVREL_TEXT(fleetMissing, "Not in the device list", "不在设备列表中"),
    TAVREL_TEXT(fleetIncomplete, "Not read whole: search again", "未完整读取：请重新搜索"),
    TAVREL_TEXT(fleetInvalid, "Cannot take its row: ", "无法写入清单中的值："),
    TAVREL_TEXT(fleetConfirm, "Write the %1 devices that differ from the sheet?", "写入与清单不同的 %1 台设备？"),
    TAVREL_TEXT(fleetWritten, "Written", "已写入"),
    TAVREL_TEXT(fleetDone, "%1 of %2 devices hold their rows", "%2 台设备中有 %1 台与清单一致"),
    TAVREL_TEXT(fleetDiffers, "Differs from the fleet sheet: %1", "与设备清单不同：%1"),
    TAVREL_TEXT(ioLogToFile, "Log to file…", "记录到文件…"),
    TAVREL_TEXT(ioStopLogging, "Stop logging", "停止记录"),
    TAVREL_TEXT(ioLogFailed, "Cannot write the data log: ", "数据记录写入失败："),
    TAVREL_TEXT(ioLogEnded,
                "The connection closed; the data log ends here: ", "连接已关闭，数据记录到此结束："),
    TAVREL_TEXT(ioHistory, "History", "历史曲线"),
    TAVREL_TEXT(ioHistoryTitle, "IO History (last 5 minutes)", "开关量历史（最近5分钟）"),
    TAVREL_TEXT(ioHistoryEmpty, "No states yet", "尚无状态"),

    // Screen reader names and descriptions
    TAVREL_TEXT(a11yAtMostBytes, "at most %1 bytes", "最多 %1 个字节"),
    TAVREL_TEXT(a11yExactBytes, "exactly %1 bytes", "必须为 %1 个字节"),
    TAVREL_TEXT(a11ySeconds, "seconds", "秒"),
    TAVREL_TEXT(a11yMilliseconds, "milliseconds", "毫秒"),
    TAVREL_TEXT(a11yAddressFormat, "four numbers 0-255 separated by dots", "4个0-255的数字，以点分隔"),
    TAVREL_TEXT(a11yMacFormat, "12 hexadecimal digits, dashes allowed", "12位十六进制数字，可带短横线"),
    TAVREL_TEXT(a11yScheduleList, "Output schedules", "输出定时列表"),
    TAVREL_TEXT(a11yDate, "date", "日期"),
    TAVREL_TEXT(a11yTime, "time", "时间"),
    TAVREL_TEXT(a11yWeekday, "weekday", "星期"),
    TAVREL_TEXT(a11yCloudHelp, "Help on cloud pass-through", "云透传说明"),
    TAVREL_TEXT(a11yProfilePath, "Imported profile", "已导入的配置文件"),
    TAVREL_TEXT(a11yStatusBar, "Status", "状态"),
    TAVREL_TEXT(a11yOutputTime, "Time of output %1", "输出 %1 的时间"),
    TAVREL_TEXT(a11yOn, "on", "开"),
    TAVREL_TEXT(a11yOff, "off", "关"),
    TAVREL_TEXT(a11yUnknown, "not known yet", "未知"),
    TAVREL_TEXT(a11yWifiNetworks, "WiFi networks", "WiFi网络"),
});

#undef TAVREL_TEXT

// Same layout as UiTexts with exactly one string per row: a member added to the class but not to
// the table changes the size and stops the build here.
struct LayoutProbe {
    virtual ~LayoutProbe() = default;
    std::array<std::string, kRows.size()> texts;
    int languageCode;
};
static_assert(sizeof(UiTexts) == sizeof(LayoutProbe), "every UiTexts member needs a row in kRows");

}  // namespace

void UiTexts::loadEnglish() {
    for (const TextRow& row : kRows) this->*row.member = row.english;
    languageCode = kEnglishLanguageCode;
}

void UiTexts::loadChinese() {
    for (const TextRow& row : kRows) this->*row.member = row.chinese;
    languageCode = kChineseLanguageCode;
}

void UiTexts::load(Language language) {
    if (language == Language::English)
        loadEnglish();
    else
        loadChinese();
}

void UiTexts::forEachText(const TextVisitor& visit) const {
    for (const TextRow& row : kRows) visit(row.name, this->*row.member);
}

std::size_t UiTexts::textCount() {
    return kRows.size();
}

std::string UiTexts::textOf(std::string UiTexts::*member, Language language) {
    for (const TextRow& row : kRows) {
        if (row.member == member)
            return std::string(language == Language::English ? row.english : row.chinese);
    }
    return {};
}

}  // namespace tavrel
