#pragma once
// Comma-separated tables as RFC 4180 has them: the device list for spreadsheets and scripts.
#include <string>
#include <string_view>
#include <utility>
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

}  // namespace tavrel
