// Decoding of the status character every board reply carries in its third place.
//
// Error rule: pure functions, no messages; an unknown character decodes as success with the text
// "?? '<c>'". Thread rule: the table is constant; safe from any thread.
#pragma once
#include <string>

namespace vendra {

struct ReplyStatusEntry {
    char status;
    const char* text;
    bool success;
};

// The known status characters, their texts and whether they mean success.
extern const ReplyStatusEntry ReplyStatusTable[15];

// Fills `text` with the status text and returns true for success, false for a board error.
bool DecodeReplyStatus(char status, std::string& text);

}  // namespace vendra
