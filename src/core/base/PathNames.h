// Small rules on file names, shared by every file the system writes. A folder ends at '/' (and,
// on Windows, at '\\' too). Error rule: none (plain string functions). Thread rule: any thread.
#pragma once
#include <string>

#include "core/base/PlatformFiles.h"

namespace vendra {

// `name` in `folder` ("" or "." : the working folder), joined as the system writes paths.
inline std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder == ".") return name;
    if (folder.find_last_of(kPathSeparators) == folder.size() - 1) return folder + name;
    return folder + kPathSeparator + name;
}

// The file name part of a path (after the last folder separator).
inline std::string FileNameOf(const std::string& path) {
    size_t slash = path.find_last_of(kPathSeparators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// True when the file name part holds a '.' after its first character ("a.IEE", not ".hidden").
inline bool HasExtension(const std::string& path) {
    std::string name = FileNameOf(path);
    size_t dot = name.find_last_of('.');
    return dot != std::string::npos && dot > 0;
}

// The file name without its folder and extension.
inline std::string BaseNameOf(const std::string& path) {
    std::string name = FileNameOf(path);
    if (HasExtension(name)) name.erase(name.find_last_of('.'));
    return name;
}

}  // namespace vendra
