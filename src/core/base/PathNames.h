// Small rules on file names, shared by every file the system writes. Error rule: none (plain
// string functions). Thread rule: any thread.
#pragma once
#include <string>

namespace vendra {

// The file name part of a path (after the last '/').
inline std::string FileNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
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
