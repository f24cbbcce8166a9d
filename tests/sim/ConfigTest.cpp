// Text forms: the unit list, the network file, fault rules.
#include <gtest/gtest.h>

#include "sim/Faults.h"
#include "sim/NetworkFile.h"
#include "sim/Simulator.h"

namespace vendra::sim::test {

TEST(SimConfig, UnitList) {
    std::string error;
    auto units =
        Simulator::ParseUnits("D3:ver=205:cpu=11,X1,QF:vA=\"Jan 1, 2020\":speed=50", &error);
    ASSERT_EQ(units.size(), 3u) << error;
    EXPECT_EQ(units[0].Name(), "D3");
    EXPECT_EQ(units[0].items.at(0), "205");
    EXPECT_EQ(units[0].items.at(3), "11");
    EXPECT_EQ(units[1].family, Family::AxisBoard);
    EXPECT_EQ(units[2].address, 15);
    EXPECT_EQ(units[2].items.at(10), "Jan 1, 2020");
    EXPECT_EQ(units[2].speed.value_or(0), 50);

    for (const char* bad : {"D", "D3x", "Dg", "d3", "W1", "D3:ver=abc", "D3:v1E=1", "D3:foo=1",
                            "D3:busy=bb", "D3:aset=2"}) {
        error.clear();
        EXPECT_TRUE(Simulator::ParseUnits(bad, &error).empty()) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(SimConfig, MotorNames) {
    EXPECT_EQ(ParseMotorId("D3")->family, Family::DBoard);
    auto y = ParseMotorId("YC");
    ASSERT_TRUE(y);
    EXPECT_EQ(y->family, Family::AxisBoard);
    EXPECT_EQ(y->axis, 2);
    EXPECT_EQ(y->unit, 12);
    EXPECT_EQ(y->Name(), "YC");
    EXPECT_FALSE(ParseMotorId("Q0"));
    EXPECT_FALSE(ParseMotorId("X"));
}

TEST(SimConfig, NetworkFile) {
    const char* text =
        "# demo\n"
        "baud 115200\r\n"
        "speed 500   # slow motors\n"
        "unit D3 ver=205 cpu=11\n"
        "unit X1 vA=\"Feb 2 2022\"\n"
        "unit Q0\n"
        "link Q0.0 D3\n"
        "link Q0.1 Y1 offset=-5 scale=0.5 slip=0.02\n"
        "pace on\n"
        "fault late:match=Q0:ms=10\n";
    Options options;
    std::string error;
    ASSERT_TRUE(ParseNetworkText(text, "net.txt", options, error)) << error;
    EXPECT_EQ(options.boardBaud, 115200u);
    EXPECT_EQ(options.defaultSpeed, 500);
    ASSERT_EQ(options.units.size(), 3u);
    EXPECT_EQ(options.units[1].items.at(10), "Feb 2 2022");
    ASSERT_EQ(options.links.size(), 2u);
    EXPECT_EQ(options.links[1].motor.Name(), "Y1");
    EXPECT_EQ(options.links[1].offset, -5);
    EXPECT_EQ(options.links[1].channel, 1);
    EXPECT_TRUE(options.pace);
    EXPECT_EQ(options.faults.size(), 1u);

    Options untouched;
    EXPECT_FALSE(ParseNetworkText("unit D3\nlink Q0.2 D3\n", "bad.txt", untouched, error));
    EXPECT_EQ(error.rfind("bad.txt:2: ", 0), 0u) << error;
    EXPECT_TRUE(untouched.units.empty());  // nothing applied from a file with an error
    EXPECT_FALSE(ParseNetworkText("baud 1200\n", "b", untouched, error));
    EXPECT_FALSE(ParseNetworkText("units D3\n", "b", untouched, error));
    EXPECT_FALSE(ParseNetworkText("link Q0.0 D3 slip=1.5\n", "b", untouched, error));
    EXPECT_FALSE(LoadNetworkFile("/nonexistent/net.txt", untouched, error));
}

TEST(SimConfig, StartRefusesBadNetworks) {
    Options options;
    options.folder = "/tmp";
    std::string error;
    ASSERT_TRUE(ParseUnits("D3,D3", options.units, error));
    Simulator twice(options);
    EXPECT_FALSE(twice.Start());
    EXPECT_NE(twice.Error().find("D3"), std::string::npos);

    options.units.clear();
    options.links.push_back({2, 0, *ParseMotorId("D3")});
    Simulator noQBoard(options);
    EXPECT_FALSE(noQBoard.Start());
}

TEST(SimConfig, FaultRules) {
    std::string error;
    auto f = ParseFault("garbage:match=D3\\r:text=\\x7F\\x01:count=3:skip=2", error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->kind, FaultKind::Garbage);
    EXPECT_EQ(f->match, "D3\r");
    EXPECT_EQ(f->text, "\x7f\x01");
    EXPECT_EQ(f->count, 3);
    EXPECT_EQ(f->skip, 2);
    EXPECT_EQ(ParseFault("error:status=#:once", error)->status, '#');
    EXPECT_EQ(ParseFault("wrongaddr:digit=F", error)->digit, 15);
    EXPECT_EQ(ParseFault("offby", error)->by, 1);
    EXPECT_EQ(ParseFault("offby:by=-3", error)->by, -3);
    for (const char* bad : {"", "explode", "late:ms=x", "error:status=!!", "wrongaddr:digit=G",
                            "late:frob=1", "noreply:count", "offby:by=", "offby:by=1x"}) {
        error.clear();
        EXPECT_FALSE(ParseFault(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

}  // namespace vendra::sim::test
