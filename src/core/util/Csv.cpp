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

std::variant<std::vector<CsvRecord>, CsvReadError> readCsv(std::string_view text, char separator) {
    std::vector<CsvRecord> records;
    CsvRecord record{1, {}};
    std::string field;
    int line = 1;
    std::size_t i = 0;
    auto endOfLine = [&](std::size_t at) {  // the length of a line end at `at`, 0 for none
        if (text[at] == '\r') return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
        return text[at] == '\n' ? 1 : 0;
    };
    while (i < text.size()) {
        if (text[i] == '"' && field.empty()) {
            const int opened = line;
            for (++i;; ++i) {
                if (i >= text.size())
                    return CsvReadError{opened, "a quoted cell is not closed (is the file cut short?)"};
                if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else if (text[i] == '"') {
                    ++i;
                    break;
                } else {
                    if (text[i] == '\n' || (text[i] == '\r' && endOfLine(i) == 1)) ++line;
                    field += text[i];
                }
            }
            if (i < text.size() && text[i] != separator && endOfLine(i) == 0)
                return CsvReadError{line, "text after the closing quote of a cell"};
            continue;
        }
        if (text[i] == separator) {
            record.fields.push_back(std::move(field));
            field.clear();
            ++i;
        } else if (const std::size_t end = endOfLine(i)) {
            record.fields.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(record));
            record = CsvRecord{++line, {}};
            i += end;
        } else {
            field += text[i++];
        }
    }
    if (!field.empty() || !record.fields.empty()) {
        record.fields.push_back(std::move(field));
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace tavrel
