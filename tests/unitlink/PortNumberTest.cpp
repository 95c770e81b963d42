// The port rule the three programs' settings dialogs share.
#include "unitlink/PortNumber.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

TEST(PortNumberTest, TheLeadingNumberIsTakenOnlyFromOneTo65535) {
    const std::vector<std::pair<std::string, int>> taken = {
        {"1", 1},         {"7000", 7000}, {" 7001 ", 7001}, {"+80", 80},
        {"65535", 65535}, {"00080", 80},  {"7005x", 7005},  {"1e3", 1}};
    for (const auto& [text, port] : taken) {
        int got = -1;
        EXPECT_TRUE(unitlink::ParsePortNumber(text, got)) << text;
        EXPECT_EQ(got, port) << text;
    }
    for (const std::string text : {"0", "65536", "99999", "-1", "-7000", "", " ", "x7000", "0x50",
                                   "4294967297", "18446744073709551617", "000000000"}) {
        int got = 7;
        EXPECT_FALSE(unitlink::ParsePortNumber(text, got)) << text;
        EXPECT_EQ(got, 7) << text; // a refused text leaves the port as it was
    }
}
