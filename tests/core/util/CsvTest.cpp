#include <gtest/gtest.h>

#include "util/Csv.h"

using namespace tavrel;

// Quoted only where a reader would split or join otherwise; columns named by the first row that has
// them, gaps left empty.
TEST(Csv, FieldsAreQuotedOnlyWhenTheyMustBeAndRowsShareOneHeader) {
    const std::pair<const char*, const char*> fields[] = {
        {"plain text", "plain text"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"lf\n", "\"lf\n\""},
        {"\"", "\"\"\"\""},
        {"中文,名", "\"中文,名\""},
    };
    for (const auto& [text, expected] : fields) EXPECT_EQ(csvField(text), expected) << text;

    EXPECT_EQ(csvTable({{{"ip", "10.0.0.7"}, {"name", "a,b"}}, {{"name", "x"}, {"port1.baud", "9600"}}, {}}),
              "ip,name,port1.baud\r\n10.0.0.7,\"a,b\",\r\n,x,9600\r\n,,\r\n");
    EXPECT_EQ(csvRecord({"plain", "a,b", ""}), "plain,\"a,b\",\r\n");
    EXPECT_EQ(portColumn(8, "baud"), "port8.baud");
}
