#pragma once
// A fleet sheet: the device list as `search --csv` writes it, edited in a spreadsheet program and
// read back as the desired state of its devices. The columns and value texts are the export's; a
// row names its device by `mac` (or `key`); an empty cell, an absent column, a masked password and
// the columns a device only reports are not managed.
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "device/DeviceColumns.h"
#include "device/DeviceSelector.h"

namespace tavrel {

// A cell the row manages: the column and its text as the sheet has it.
struct SheetCell {
    Column column;
    std::string text;
};

struct SheetRow {
    int line = 0;
    DeviceSelector device;         // by MAC, or by key
    std::string name;              // the MAC or key as the sheet writes it
    std::vector<SheetCell> cells;  // in the sheet's column order
};

struct Sheet {
    std::vector<SheetRow> rows;
};

// A fault of the file; nothing is sent for a sheet that has one.
struct SheetError {
    int line = 0;        // 0: the file as a whole
    std::string column;  // empty: the line as a whole
    std::string message;
};
// "line 7, port1.baud: ..."
std::string sheetErrorText(const SheetError& error);

// Reads the bytes of a sheet: UTF-8 with or without a byte order mark, comma, semicolon or tab
// separated (as its header line shows), CRLF, LF or CR line ends. Columns starting with '#' are the
// sheet's own notes. Every cell is checked against its column before anything else happens; the
// faults are all returned (in line order), or the sheet when there are none.
std::variant<Sheet, std::vector<SheetError>> readSheet(std::string_view bytes);

// A cell's text checked against its column alone, before any device is known: the value in the
// export's own spelling ("even" reads as "EVEN", "TRUE" as "true"), or what the column takes
// ("one of NONE EVEN ODD").
struct CellReading {
    std::optional<std::string> value;
    std::string allowed;
};
CellReading readCell(Column column, std::string_view text);

}  // namespace tavrel
