// The host's own bookkeeping of motor positions, read from the frames it sends.
//
// A frame is scanned once. An 'o' starts a stretch that is passed over up to the next ','.
// A (or M) and digits set the position; R, optional N or Y, a sign and digits move it (the
// UBoard form takes exactly one character between R and the sign); N zeroes it and passes over
// the next character; H and F set the step-mode flag. The first A, M or R of a frame (an N only
// when the character two places after it is '1') starts the statistics' move timer if it is not
// running. An information query (the command after letter and unit digit begins with 'v')
// changes nothing.
// Error rule: pure bookkeeping on the records, bounded by the frame's length; numbers wrap to
// 32 bits. Thread rule: called by the activity that holds the line; record fields are atomics.
#pragma once
#include <string_view>

#include "core/runner/Statistics.h"
#include "core/serial/BoardState.h"

namespace vendra {

// DBoard, HBoard and raw frames: read from the third character on (after letter and unit digit).
void TrackPositionD(MotorRecord& record, std::string_view frame, Statistics& stats);
// UBoard frames: as TrackPositionD, except for R.
void TrackPositionU(MotorRecord& record, std::string_view frame, Statistics& stats);
// AxisBoard frames, read from the first character: W, X, Y, Z select the axis record (indexed by
// Axis) and end a passed-over stretch; the unit digit after each axis letter is passed over.
void TrackPositionAxis(MotorRecord (&axes)[4], std::string_view frame, Statistics& stats);

}  // namespace vendra
