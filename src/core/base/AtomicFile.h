// Saving a whole file so that a crash or a full disk never leaves half of it: the new bytes go to
// a temporary file beside the file, flushed to disk, which then replaces it in one step (a rename;
// on Windows a move that replaces and writes through). The system calls are PlatformFiles'.
//
// The file keeps what it was: a symbolic link is followed (the file it points to is replaced, the
// link stays a link, a dangling link gets its file), and the replaced file's permissions (and its
// owner, where the system lets us) carry over. When the file's folder does not let us create a
// temporary file there (although the file itself may be writable), or the file is not a regular
// file, or its owner could not be kept, the bytes are written into the file itself instead.
//
// Error rule: returns false with `error` (when given) saying why; no temporary file is left
// behind, and whenever the new bytes could be written to a temporary file first the old file is
// untouched by a failure. Nothing throws.
// Thread rule: any thread; one writer per file at a time.
#pragma once
#include <string>

#include "core/base/PlatformFiles.h"  // ResolveFileLinks

namespace vendra {

bool WriteFileAtomically(const std::string& path, const std::string& bytes,
                         std::string* error = nullptr);

}  // namespace vendra
