#include <gtest/gtest.h>

#include "fleet/FleetSheet.h"

using namespace tavrel;
using namespace std::string_view_literals;

namespace {

std::vector<std::pair<std::string, std::string>> cellsOf(const SheetRow& row) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const SheetCell& c : row.cells) out.emplace_back(columnName(c.column), c.text);
    return out;
}

}  // namespace

// One sheet as different spreadsheet programs save it: every variant reads to the same managed cells.
TEST(FleetSheet, SpreadsheetVariantsReadAlike) {
    const std::vector<std::pair<std::string, std::string>> expected = {{"port1.baud", "115200"},
                                                                       {"port1.parity", "EVEN"},
                                                                       {"port1.modbus", "true"},
                                                                       {"network.ip", "192.168.1.50"}};
    const std::pair<const char*, std::string> variants[] = {
        {"as exported",
         "ip,mac,key,port1.baud,port1.parity,password,port1.modbus,# site,network.ip,wifi.signal\r\n"
         "10.0.0.9,00-CA-C1-19-00-33,190033,115200,EVEN,********,true,hall 3,192.168.1.50,-60\r\n"},
        {"byte order mark, semicolons, LF, letters in other cases",
         "\xEF\xBB\xBFip;mac;key;port1.baud;port1.parity;password;port1.modbus;# "
         "site;network.ip;wifi.signal\n"
         "10.0.0.9;00-ca-c1-19-00-33;190033;115200;even;********;TRUE;\"hall 3; east\";192.168.001.050;\n\n"},
        {"tabs, CR, quoted cells, no final line end",
         "mac\tport1.baud\tport1.parity\tport1.modbus\tnetwork.ip\tuser\r"
         "\"00CAC1190033\"\t\"115200\"\tEVEN\tTrue\t192.168.1.50\t"},
        {"a row without its trailing empty cells, and one with more",
         "mac,port1.baud,port1.parity,port1.modbus,network.ip,port2.baud,port3.baud\r\n"
         "00:CA:C1:19:00:33,115200,EVEN,true,192.168.1.50\r\n00-CA-C1-19-00-34,,,,,,,,\r\n"},
    };
    for (const auto& [name, text] : variants) {
        const auto read = readSheet(text);
        ASSERT_TRUE(std::holds_alternative<Sheet>(read))
            << name << ": " << sheetErrorText(std::get<std::vector<SheetError>>(read).front());
        const Sheet& sheet = std::get<Sheet>(read);
        ASSERT_FALSE(sheet.rows.empty()) << name;
        EXPECT_EQ(sheet.rows[0].name, "00-CA-C1-19-00-33") << name;
        EXPECT_EQ(sheet.rows[0].line, 2) << name;
        EXPECT_EQ(cellsOf(sheet.rows[0]), expected) << name;
    }
}

// Every fault names its line and column; a row's device by key alone works, and lines count the line
// breaks inside quoted cells.
TEST(FleetSheet, FaultsNameLineColumnAndWhatIsAllowed) {
    struct Case {
        std::string_view text;
        int line;
        const char* column;
        const char* says;
    };
    const Case cases[] = {
        {"mac,colour\n00-CA-C1-19-00-33,red\n", 1, "colour", "starts with #"},
        {"mac,port1.baud,port1.baud\n", 1, "port1.baud", "named twice"},
        {"ip,port1.baud\n10.0.0.1,9600\n", 1, "", "no mac or key column"},
        {"mac,port9.baud\n", 1, "port9.baud", "not a column"},
        {"mac,port2.cloud\n", 1, "port2.cloud", "not a column"},
        {"mac,,x\n00-CA-C1-19-00-33,5,\n", 1, "", "column 2 has cells but no name"},
        {"mac,port1.baud\n00-CA-C1-19-00-3,9600\n", 2, "mac", "twelve hexadecimal digits"},
        {"key,port1.baud\n19003G,9600\n", 2, "key", "six hexadecimal digits"},
        {"mac,key\n00-CA-C1-19-00-33,190034\n", 2, "key", "not the key of MAC 00-CA-C1-19-00-33"},
        {"mac,key,user\n00-CA-C1-19-00-33,,a\n,190033,b\n", 3, "key", "the device of line 2 again"},
        {"mac,key,user\n,,bob\n", 2, "", "names no device"},
        {"mac,port1.baud\n00-CA-C1-19-00-33,9601\n", 2, "port1.baud", "one of 600 1200 2400"},
        {"mac,port1.localPort\n00-CA-C1-19-00-33,65536\n", 2, "port1.localPort", "a number from 0 to 65535"},
        {"mac,rs485Address\n00-CA-C1-19-00-33,-1\n", 2, "rs485Address", "a number from 0 to 255"},
        {"mac,network.ipType\n00-CA-C1-19-00-33,auto\n", 2, "network.ipType", "static or dhcp"},
        {"mac,network.mask\n00-CA-C1-19-00-33,255.255.255\n", 2, "network.mask", "IPv4 address"},
        {"mac,port1.remoteHost\n00-CA-C1-19-00-33,abcdefghijklmnopqrstuvwxyz0123456\n", 2, "port1.remoteHost",
         "at most 32 bytes"},
        {"mac,user\n00-CA-C1-19-00-33,caf\xE9\n", 2, "user", "UTF-8"},
        {"mac,port1.modbus\n00-CA-C1-19-00-33,yes\n", 2, "port1.modbus", "true or false"},
        {"mac,port1.heartbeatData,port1.baud\n00-CA-C1-19-00-33,\"two\r\nlines\",9600\n00-CA-C1-19-00-34,,"
         "96\n",
         4, "port1.baud", "one of"},
        {"mac,port1.baud\n00-CA-C1-19-00-33,\"9600\n", 2, "", "not closed (is the file cut short?)"},
        {"mac,port1.baud,port1.parity\n00-CA-C1-19-00-33,9600", 2, "", "ends inside this row"},
        {"mac,port1.baud\n00-CA-C1-19-00-33,\"9600\"x\n", 2, "", "after the closing quote"},
        {"mac,port1.baud\n00-CA-C1-19-00-33,9600,NONE\n", 2, "", "3 cells where the header names 2"},
        {"\xFF\xFEm\0a\0c\0"sv, 0, "", "UTF-16"},
        {"\r\n\r\n", 0, "", "no header line"},
    };
    for (const Case& c : cases) {
        const auto read = readSheet(c.text);
        ASSERT_TRUE(std::holds_alternative<std::vector<SheetError>>(read)) << c.text;
        const SheetError& e = std::get<std::vector<SheetError>>(read).front();
        EXPECT_EQ(e.line, c.line) << c.text;
        EXPECT_EQ(e.column, c.column) << c.text;
        EXPECT_NE(e.message.find(c.says), std::string::npos) << c.text << " -> " << e.message;
    }

    // All faults at once, so one round of editing fixes them.
    const auto many = readSheet("mac,port1.baud\n00-CA-C1-19-00-33,1\n00-CA-C1-19-00-34,2\nx,9600\n");
    ASSERT_TRUE(std::holds_alternative<std::vector<SheetError>>(many));
    EXPECT_EQ(std::get<std::vector<SheetError>>(many).size(), 3u);
}
