#include <gtest/gtest.h>

#include "core/runner/TempReferences.h"

namespace vendra {
namespace {

class ExpandTempReferencesTest : public ::testing::Test {
  protected:
    std::string Expand(std::string text, bool expectExpanded) {
        EXPECT_EQ(ExpandTempReferences(text, registers.TempRegisters), expectExpanded) << text;
        return text;
    }
    TempRegisterFile registers;
};

TEST_F(ExpandTempReferencesTest, ReplacesReferencesByUnsignedValues) {
    registers.TempRegisters[3] = 1234;
    registers.TempRegisters[73] = 0xFFFFFFFF;
    EXPECT_EQ(Expand("D3A#TEMP3#\r", true), "D3A1234\r");
    EXPECT_EQ(Expand("A#TEMP3#,M#TEMP73#", true), "A1234,M4294967295");
    EXPECT_EQ(Expand("#TEMP003#", true), "1234");
}

TEST_F(ExpandTempReferencesTest, LeavesTextAloneWithoutACompleteReference) {
    for (const char* t : {"A100#", "#", "#TEM", "#TEMP#", "#TEMP12", "#temp3#", "##", ""})
        EXPECT_EQ(Expand(t, false), t);
}

TEST_F(ExpandTempReferencesTest, RegisterOutsideTheFileIsLeftAsTyped) {
    registers.TempRegisters[1] = 7;
    EXPECT_EQ(Expand("A#TEMP74#", false), "A#TEMP74#");
    EXPECT_EQ(Expand("A#TEMP99999999999999999999#,#TEMP1#", true), "A#TEMP99999999999999999999#,7");
}

TEST_F(ExpandTempReferencesTest, BrokenPatternKeepsItsCharactersAndNextHashStartsAgain) {
    registers.TempRegisters[2] = 5;
    EXPECT_EQ(Expand("#TE#TEMP2#x#", true), "#TE5x#");
    EXPECT_EQ(Expand("##TEMP2#", true), "#5");
}

}  // namespace
}  // namespace vendra
