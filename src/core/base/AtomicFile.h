// Writes a file whole or not at all: the text goes to a temporary file next to the target, is
// flushed to disk and then renamed over the target, so a failed write leaves the previous file as
// it was. A symbolic link is followed (the file it points to is replaced, the link stays); an
// existing file keeps its permissions, a new one gets the umask's.
// Error rule: returns false with a reason in *error (when not null); never throws, never leaves
// the temporary file behind.
// Thread rule: any thread; two writers of one path at once end with one of the two files.
#pragma once
#include <cstdio>
#include <functional>
#include <string>

namespace vendra {

// `write` fills the open temporary file; returning false (or leaving the stream in error) fails
// the whole write.
bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write,
                         std::string* error = nullptr);

// The file name part of a path (after the last '/').
std::string FileNameOf(const std::string& path);
// True when the file name part holds a '.' after its first character ("a.IEE", not ".hidden").
bool HasExtension(const std::string& path);

}  // namespace vendra
