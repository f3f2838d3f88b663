#pragma once
// Every text the program shows in its two interface languages, plus the language code.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tavrel {

enum class Language { Chinese, English };

inline constexpr int kEnglishLanguageCode = 9;
inline constexpr int kChineseLanguageCode = 4;
// Added to the language code to form the identifier handed to language-aware message boxes.
inline constexpr int kDefaultSublanguage = 0x400;

// Holds one complete language set once a loader has run; empty before that.
class UiTexts {
  public:
    virtual ~UiTexts() = default;

    void loadEnglish();
    void loadChinese();
    void load(Language language);

    // English only after loadEnglish(); an empty set counts as Chinese.
    bool isEnglish() const { return languageCode == kEnglishLanguageCode; }
    Language language() const { return isEnglish() ? Language::English : Language::Chinese; }
    // 0x0409 for English, 0x0404 for Chinese (0x0400 before any load).
    int messageBoxLanguageId() const { return languageCode | kDefaultSublanguage; }

    // Visits every text member with its member name, in declaration order.
    using TextVisitor = std::function<void(std::string_view name, const std::string& text)>;
    void forEachText(const TextVisitor& visit) const;
    static std::size_t textCount();
    // One text of a language without loading a whole set.
    static std::string textOf(std::string UiTexts::*member, Language language);

    // --- Main window and about box ---
    std::string mainCaption;   // caption followed by the version label, same in both languages
    std::string versionLabel;  // "V228 "
    std::string aboutCaption;
    std::string aboutNotice;  // second line of the about box

    // --- Menus ---
    std::string deviceMenu;
    std::string firmwareUpgrade;  // device menu item and the firmware button of the device list
    std::string exportProfile;
    std::string importProfile;
    std::string ioControl;
    std::string undoLastChange;  // device menu: the last snapshot written back
    std::string languageMenu;
    std::string englishItem;
    std::string adapterMenu;
    std::string defaultAdapter;
    std::string aboutCommand;  // command on the menu bar itself

    // --- Device list area ---
    std::string deviceListFrame;
    std::string columnDeviceIp;
    std::string columnMac;
    std::string columnSoftware;
    std::string columnHardware;
    std::string searchButton;
    std::string selectSubnetCheck;
    std::string broadcastCheck;
    std::string restartButton;
    std::string factoryResetButton;

    // --- Network settings area ---
    std::string networkFrame;
    std::string labelIpType;
    std::string ipTypeStatic;
    std::string ipTypeDhcp;
    std::string labelIp;
    std::string labelSubnetMask;
    std::string labelGateway;
    std::string labelDns;
    std::string labelMac;
    std::string labelUser;
    std::string labelPassword;
    std::string labelInputChanged;  // both IO input-change labels
    std::string outputFollowCheck;
    std::string sendStatusCheck;
    std::string saveDataButton;  // network save, port save and the image save buttons

    // --- Port settings area ---
    std::string portFrame;
    std::string enableCheck;
    std::string labelSelectPort;
    std::string labelSerialMode;
    std::string labelBaudRate;
    std::string labelParity;
    std::string labelDataBits;
    std::string labelStopBits;
    std::string labelWorkMode;
    std::string labelRemoteIp;
    std::string labelRemotePort;
    std::string labelLocalPort;
    std::string modbusTcpToRtuCheck;
    std::string labelHeartbeatData;
    std::string labelHeartbeatTime;
    std::string oneClickButton;

    // --- WiFi area and scan list ---
    std::string wifiFrame;
    std::string labelWifiMode;
    std::string wifiScanButton;
    std::string labelWifiPassword;  // AP and STA password labels
    std::string labelSignal;
    std::string wifiSearching;
    std::string wifiSearchTimeout;
    std::string wifiDoubleClickHint;

    // --- Output time area ---
    std::string timeFrame;
    std::string computerTimeCheck;
    std::string labelDeviceTime;
    std::string calibrateButton;
    std::string scheduleColumnIndex;
    std::string scheduleColumnMode;       // also the editor's mode label
    std::string scheduleColumnOpenTime;   // also the editor's open-time labels
    std::string scheduleColumnCloseTime;  // also the editor's close-time labels
    std::string timerCheck;
    std::string strobeCheck;
    std::string weekCheck;  // also the editor's week label
    std::string labelYear;
    std::string labelMonth;
    std::string labelDay;
    std::string labelHour;
    std::string labelMinute;
    std::string labelSecond;
    std::string modifyButton;
    std::string readButton;
    std::string saveButton;

    // --- Firmware upgrade ---
    std::string confirmUpgrade;
    std::string firmwareTargetLabel;
    std::string firmwareFileLabel;
    std::string firmwareOpenButton;
    std::string firmwareStartButton;
    std::string firmwareNoFile;
    std::string firmwareCannotOpen;  // follows the path directly
    std::string firmwareTooBig;
    std::string firmwareNameTooLong;  // the write request would not fit its one length byte
    std::string firmwareNoAnswer;     // %d: seconds waited for the first answer
    std::string firmwareStalled;      // first %d: the block, second %d: seconds waited

    // --- Common dialog texts ---
    std::string infoCaption;
    std::string broadcastAddressLabel;  // broadcast dialog label and status bar field 3 prefix
    std::string okButton;
    std::string cancelButton;

    // --- Search and status ---
    std::string searchTimeout;
    std::string searchingDevice;
    std::string searchPort;
    std::string searchEnd;
    std::string searchProgress;    // after searchingDevice while nothing answered; %1 seconds left
    std::string stopSearchButton;  // the search button's caption while a search runs
    std::string searchStopped;
    std::string deviceChangedSinceShown;  // %s the ports; asked before a save keeps the device's values there
    std::string boardClockReadAt;         // the board clock pickers' note; %1 the time of the read
    std::string selectDevicePrompt;
    std::string sendingData;
    std::string savedSuccessfully;
    std::string scanIpPrefix;

    // --- Incomplete read-outs and the reply port ---
    std::string incompleteDeviceHint;    // tooltip of the device list row
    std::string incompleteSaveQuestion;  // asked before a save of such a device; %s the missing groups
    std::string incompleteExportQuestion;
    std::string profileAddressInUse;
    std::string noAnswer;              // the status bar's save field when a write's answer never came
    std::string factoryResetQuestion;  // asked before a factory reset, captioned infoCaption
    std::string upgradeComplete;       // the firmware dialog after the last block was acknowledged
    std::string rereadingDevice;       // device list tooltip while a changed device is read again
    std::string deviceNotBack;         // device list tooltip when it did not answer again
    // The status bar's save field around a restart and a factory reset; %s names the device.
    std::string restartingDevice;
    std::string deviceRestarted;
    std::string resettingDevice;
    std::string deviceResetDone;
    std::string portInUsePattern;  // %d is the local port
    std::string undoQuestion;      // %s the differences, one a line
    std::string undoNothingDiffers;
    std::string snapshotFailed;          // %s what failed
    std::string writeDiffers;            // %s the fields the device holds differently
    std::string writeNotBack;            // the write was answered; the device was not read again
    std::string oneClickPackedBoard;     // one-click and apply refuse a board that takes a packed record
    std::string addressWarningQuestion;  // %s the warnings, one a line
    std::string firmwareEmpty;           // after the path
    std::string deviceBusy;              // another copy of the tool is writing to the device
    std::string deviceChangedSinceRead;  // another copy wrote the device after this one read it

    // --- Profiles ---
    std::string badProfile;
    std::string portCountMismatch;
    std::string profileWriteFailed;  // followed by the path
    std::string profileOverwrite;    // "%1" stands for the path
    std::string profileExported;     // the status after an export; %1 the path
    std::string profileImported;     // the status after an import; %1 the path

    // --- Messages chosen by language outside the main tables ---
    std::string subnetMismatch;       // IO window refused: board and computer in different subnets
    std::string readParametersFirst;  // output timing save before a read
    std::string chooseScheduleRow;    // schedule edit without a selected row
    std::string chooseBoard;          // schedule edit without a selected device

    // --- Network and port group checks ---
    std::string invalidIpType;     // no address type chosen
    std::string invalidIpAddress;  // IP address that is not four numbers 0-255
    std::string invalidSubnetMask;
    std::string invalidGateway;
    std::string invalidDns;
    std::string invalidMacAddress;     // MAC text that is not twelve hexadecimal digits
    std::string heartbeatDataTooLong;  // heartbeat data over 16 characters
    // Field names the refusals below start with.
    std::string fieldIpAddress;
    std::string fieldSubnetMask;
    std::string fieldGateway;
    std::string fieldDns;
    std::string fieldMac;
    std::string fieldUser;
    std::string fieldPassword;
    // Values a device cannot hold: %1 the field, %2 the value, %3 the mask, subnet or limit.
    std::string addressUnspecified;
    std::string addressBroadcast;
    std::string addressMulticast;
    std::string addressReserved;
    std::string addressLoopback;
    std::string addressZeroNetwork;
    std::string addressSubnetNetwork;
    std::string addressSubnetBroadcast;
    std::string maskNotContiguous;
    std::string maskEmpty;
    std::string maskHostOnly;
    std::string macMulticast;
    std::string macZero;
    std::string textTooLong;  // %2 the length typed, %3 the field's bytes
    // Values a device can hold that the user is asked about first.
    std::string gatewayOutsideSubnet;
    std::string addressInUse;

    // --- Profiles refused by the strict reader ---
    std::string profileLineError;  // %1 line, %2 key, %3 value, %4 what is allowed
    std::string profileNotIpv4;
    std::string profileNotMac;
    std::string profileNumberRange;      // %1 lowest, %2 highest
    std::string profileNotInList;        // %1 the allowed values
    std::string profileTextTooLong;      // %1 the field's bytes
    std::string profileNoDeviceSection;  // %1 the section's name
    std::string profileTooLarge;         // %1 the largest size in bytes
    std::string profileUnreadable;

    // --- IO control window ---
    std::string ioNetworkSetting;
    std::string ioDeviceSetting;
    std::string ioInput;
    std::string ioOutput;
    std::string ioAnalog;
    std::string ioLabelProtocolType;
    std::string ioLabelLocalIp;
    std::string ioLabelLocalPort;
    std::string ioLabelDeviceIp;
    std::string ioLabelDevicePort;
    std::string ioConnect;
    std::string ioDisconnect;
    std::string ioProtocolGroup;
    std::string ioAddressGroup;
    std::string ioSelfDefine;
    std::string ioModbus;
    std::string ioAllOn;
    std::string ioAllOff;
    std::string ioTimeInterval;
    std::string ioClear;
    std::string ioShowCommand;
    std::string ioStopShowing;
    std::string ioTips;
    std::string ioCommand;
    std::string ioDeviceModel;
    std::string ioConnected;
    std::string ioConnecting;
    std::string ioConnectFailed;
    std::string ioListening;
    std::string ioSaveLog;        // saves the command log to a text file
    std::string ioSaveLogFailed;  // followed by the path and the reason
    std::string ioChunksDropped;  // followed by how many frames arrived too fast to be handled

    // --- Doctor (why a device is not found) and the device list's marks; %1, %2... are filled in ---
    std::string doctorNothingFoundCause;
    std::string doctorNothingFoundRemedy;  // %1 local port
    std::string doctorPortInUseCause;      // %1 port, %2 program
    std::string doctorPortInUseRemedy;     // %1 port, %2 program
    std::string doctorUnknownProgram;
    std::string doctorForeignSubnetCause;  // %1 device, %2 MAC, %3 card, %4 card address, %5 mask
    std::string doctorForeignSubnetRemedy;
    std::string doctorDuplicateIpCause;  // %1 count, %2 address, %3 MACs
    std::string doctorDuplicateIpRemedy;
    std::string doctorDuplicateKeyCause;  // %1 addresses, %2 key or MAC
    std::string doctorDuplicateKeyRemedy;
    std::string doctorNoUnicastCause;   // %1 address, %2 MAC
    std::string doctorNoUnicastRemedy;  // %1 address, %2 card
    std::string doctorCard;             // %1 name, %2 address, %3 mask, %4 count
    std::string doctorDefaultBinding;   // %1 count
    std::string doctorPortFree;         // %1 what, %2 port
    std::string doctorPortHeld;         // %1 what, %2 port, %3 program
    std::string doctorLocalPort;
    std::string doctorTftpPort;
    std::string doctorNoUnicastMark;  // after a device that did not answer at its own address
    std::string doctorCause;
    std::string doctorRemedy;
    std::string doctorNoProblems;
    std::string markDuplicateIp;    // %1 address
    std::string markForeignSubnet;  // %1 address
    std::string exportList;         // Device menu: the device list as CSV
    std::string exportListFailed;   // followed by the path and the reason
    std::string exportListSecrets;  // asked after the file is chosen: passwords in plain text or masked
    std::string loadFleetSheet;     // Device menu: a fleet sheet (the list as CSV, edited) planned and applied
    std::string fleetSheetBad;      // followed by the sheet's faults, one a line
    std::string fleetCaption;
    std::string fleetColumnDevice;
    std::string fleetColumnField;
    std::string fleetColumnFrom;
    std::string fleetColumnTo;
    std::string fleetColumnResult;
    std::string fleetApply;
    std::string fleetClose;
    std::string fleetUnchanged;
    std::string fleetMissing;
    std::string fleetIncomplete;
    std::string fleetInvalid;  // followed by the reason
    std::string fleetConfirm;  // %1 devices to write
    std::string fleetWritten;
    std::string fleetDone;     // %1 devices that hold their rows, %2 rows
    std::string fleetDiffers;  // a device list row's mark: %1 the fields
    std::string ioLogToFile;        // starts the data log of channel changes (CSV)
    std::string ioStopLogging;
    std::string ioLogFailed;  // followed by the path and the reason
    std::string ioLogEnded;   // followed by the path
    std::string ioHistory;    // opens the timing diagram of the channels
    std::string ioHistoryTitle;
    std::string ioHistoryEmpty;

    // --- What a screen reader says of controls without a visible label, and of field limits ---
    std::string a11yAtMostBytes;  // %1 the field's bytes
    std::string a11yExactBytes;   // %1 the field's bytes
    std::string a11ySeconds;
    std::string a11yMilliseconds;
    std::string a11yAddressFormat;
    std::string a11yMacFormat;
    std::string a11yScheduleList;
    std::string a11yDate;
    std::string a11yTime;
    std::string a11yWeekday;
    std::string a11yCloudHelp;
    std::string a11yProfilePath;
    std::string a11yStatusBar;
    std::string a11yOutputTime;  // %1 the output's name
    std::string a11yOn;          // an IO indicator's state
    std::string a11yOff;
    std::string a11yUnknown;
    std::string a11yWifiNetworks;  // the scan list

    int languageCode = 0;
};

}  // namespace tavrel
