#include "util/Csv.h"

#include <map>

namespace tavrel {

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string csvRecord(const std::vector<std::string>& fields) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        out += csvField(fields[i]);
    }
    return out + "\r\n";
}

std::string csvTable(const std::vector<CsvCells>& rows) {
    std::vector<std::string> header;
    std::map<std::string, std::size_t> position;
    for (const CsvCells& row : rows)
        for (const auto& cell : row)
            if (position.emplace(cell.first, header.size()).second) header.push_back(cell.first);
    std::string out = csvRecord(header);
    for (const CsvCells& row : rows) {
        std::vector<std::string> fields(header.size());
        for (const auto& [column, text] : row) fields[position.at(column)] = text;
        out += csvRecord(fields);
    }
    return out;
}

std::string portColumn(int port, std::string_view field) {
    return "port" + std::to_string(port) + "." + std::string(field);
}

}  // namespace tavrel
