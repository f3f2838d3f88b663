#pragma once
// What a fleet sheet asks of the devices it names: per row, the fields that would change (from what
// the device holds to what the row says), or why the row cannot be written to its device, and the
// one write that makes the device hold its row, in the form the device takes its settings.
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceTable.h"
#include "fleet/FleetSheet.h"
#include "protocol/Plan.h"
#include "protocol/WriteOutcome.h"
#include "texts/UiTexts.h"

namespace tavrel {

enum class FleetStatus { Change, Unchanged, Missing, Incomplete, Invalid };
// "change", "unchanged", "missing", "incomplete", "invalid"
std::string_view fleetStatusName(FleetStatus status);

struct FieldChange {
    std::string column;   // "port1.baud"
    std::string from;     // as the device holds it
    std::string to;       // as the row asks it
    bool secret = false;  // a password: the front ends print neither value unless asked
    bool operator==(const FieldChange&) const = default;
};

// The write of a device that differs from its row.
struct FleetWrite {
    DeviceRecord expected;  // the device as it should hold its settings afterwards
    Plan plan;
    WriteScope scope = WriteScope::None;
    bool packed = false;  // one packed record: the board may not answer it
};

struct RowPlan {
    std::size_t row = 0;  // in the sheet
    int entry = -1;       // the device's table entry; -1 when it did not answer
    FleetStatus status = FleetStatus::Missing;
    std::vector<FieldChange> changes;
    std::string message;  // Missing, Incomplete, Invalid: why
    FleetWrite write;     // Change
};

struct FleetOptions {
    int languageCode = kEnglishLanguageCode;
    // Write values a device can hold but that may be mistakes (a gateway outside the subnet, an
    // address another device holds or is given).
    bool force = false;
};

// Row i's device among the table's entries in use, or -1 (the window plans against its list as
// searched; the CLI searches for the rows' devices itself).
std::vector<int> matchRows(const Sheet& sheet, const DeviceTable& table);

// `entries[i]` is row i's device in `table` (-1: none answered). A DHCP row's addresses are its
// server's to choose and not compared; neither is a port's interface where its byte holds that
// port's Modbus timeout.
std::vector<RowPlan> planFleet(const Sheet& sheet, const DeviceTable& table, const std::vector<int>& entries,
                               const FleetOptions& options);

// Whether a device holds its row: the fields it holds otherwise (from: the device, to: the row), or
// why the row cannot be read against this device.
struct RowComparison {
    std::vector<FieldChange> differences;
    std::string problem;
    bool holds() const { return differences.empty() && problem.empty(); }
};
RowComparison compareRow(const SheetRow& row, const DeviceRecord& device, int languageCode);

}  // namespace tavrel
