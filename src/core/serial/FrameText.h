// Text transformations applied to a command before it goes on the line, and the number rule of
// reply values.
//
// Error rule: pure functions on std::string, never writing past anything. Thread rule: safe from
// any thread.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vendra {

// Appends a CR when the text contains none anywhere.
void EnsureCarriageReturn(std::string& text);

// The frame of an AxisBoard command: the text with the unit digit inserted after every W, X, Y or
// Z that is the first character or follows a ','. Example: unit 5, "XA100,YA200" ->
// "X5A100,Y5A200".
std::string InsertAxisAddress(char unitDigit, std::string_view text);

// The C library's atol rule on a reply value: optional blanks and sign, then the leading digits;
// none gives 0. The result wraps to 32 bits as the board's counters do.
int32_t ReplyNumber(std::string_view text);

}  // namespace vendra
