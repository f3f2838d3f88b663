#pragma once
// Comma-separated tables as RFC 4180 has them: the device list for spreadsheets and scripts, and
// sheets read back from them.
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tavrel {

// One row: (column, text) cells, in the order they were flattened.
using CsvCells = std::vector<std::pair<std::string, std::string>>;

// A field with a comma, a double quote, CR or LF goes in double quotes, its quotes doubled.
std::string csvField(std::string_view text);
// Fields joined by commas, ended by CRLF.
std::string csvRecord(const std::vector<std::string>& fields);
// A header row with every column in the order the rows first name it, then one record per row; a
// row without a column has an empty field there. UTF-8 in, UTF-8 out, no byte order mark.
std::string csvTable(const std::vector<CsvCells>& rows);
// The column of a field of port n: "port1.baud".
std::string portColumn(int port, std::string_view field);

// A record read back, with the line its first field starts on (1-based).
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
};
struct CsvReadError {
    int line = 0;
    std::string message;
};
// Reads records separated by `separator`, each ended by CRLF, LF or CR (the last one may be
// unended). A field in double quotes may hold separators, line ends and doubled quotes; a quote
// inside an unquoted field is taken as it is, as spreadsheet programs do.
std::variant<std::vector<CsvRecord>, CsvReadError> readCsv(std::string_view text, char separator = ',');

}  // namespace tavrel
