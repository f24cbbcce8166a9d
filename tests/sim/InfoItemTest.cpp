// Information items: a unit answers the items its firmware version knows and every item it was
// given; any other item is a parameter error, as older firmware answers.
#include "SimFixture.h"

namespace vendra::sim::test {

TEST_F(SimTest, ItemsAnsweredFollowTheFirmwareVersion) {
    StartSim("D1:ver=104,D2:ver=105,D3:ver=106,D4:ver=200,D5:ver=104:v1D=7:vC=3");
    const struct {
        const char* unit;
        int last;  // last item known by version
    } units[] = {{"D1", 9}, {"D2", 15}, {"D3", 15}, {"D4", 29}};
    for (const auto& u : units) {
        for (int item = 0; item < kInfoItemCount; ++item) {
            char frame[16];
            std::snprintf(frame, sizeof frame, "%sv%X\r", u.unit, item);
            const std::string answer = Ask(frame);
            SCOPED_TRACE(frame);
            if (item <= u.last)
                EXPECT_EQ(answer.substr(0, 3), std::string(u.unit) + ">");
            else
                EXPECT_EQ(answer, std::string(u.unit) + "!\r");
        }
    }
    // Items given by hand are answered whatever the version.
    EXPECT_EQ(Ask("D5v1D\r"), "D5>7\r");
    EXPECT_EQ(Ask("D5vC\r"), "D5>3\r");
    EXPECT_EQ(Ask("D5vB\r"), "D5!\r");
    EXPECT_TRUE(sim->SetItem("D5", 11, "23:59:59"));
    EXPECT_EQ(Ask("D5vB\r"), "D5>23:59:59\r");
    // A new version widens what the unit knows.
    EXPECT_TRUE(sim->SetItem("D1", 0, "200"));
    EXPECT_EQ(Ask("D1vA\r"), "D1>Jan 15 2024\r");
}

}  // namespace vendra::sim::test
