// The few file operations that differ between POSIX systems and Windows, in one place: every
// other file of the core reads and writes files through these (and WriteFileAtomically, built on
// them), so none needs to know which system it runs on. One source file per system implements
// them (PlatformFilesPosix.cpp, PlatformFilesWin32.cpp); the build picks one.
//
// Paths are UTF-8 on every system. Files are always opened in binary mode: the bytes read and
// written are the bytes on disk (no CR LF translation on Windows).
//
// Error rule: nothing throws. Functions that can fail say so in their result and leave an errno
// value (ENOENT, EACCES, EISDIR, ...) where documented, so that messages read the same on every
// system.
// Thread rule: any thread; one writer per file at a time.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace vendra {

// The characters that separate a path's folders, and the one the system writes itself.
#ifdef _WIN32
inline constexpr const char* kPathSeparators = "/\\";
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr const char* kPathSeparators = "/";
inline constexpr char kPathSeparator = '/';
#endif

// getc without the stream's lock: readers that own their stream read a byte at a time.
inline int GetcUnlocked(std::FILE* file) {
#ifdef _WIN32
    return _getc_nolock(file);
#else
    return getc_unlocked(file);
#endif
}

// ---- looking at a path ----

enum class FileKind { Missing, Regular, Folder, Other };

// What a path names, symbolic links followed. `Mode`, `Owner` and `Group` are the POSIX
// permission bits and ids (0 where the system has none).
struct FileStatus {
    FileKind Kind = FileKind::Missing;
    int Error = 0;  // errno when Missing (ENOENT: no such file)
    uint32_t Mode = 0;
    uint32_t Owner = 0;
    uint32_t Group = 0;
};
FileStatus StatusOf(const std::string& path);

// True when the folder holds an entry of this name, even a dangling symbolic link.
bool EntryExists(const std::string& path);

// The file a path names once every symbolic link on its last component is followed (relative
// links from the link's own folder). The path itself when it is no link; the final target even
// when it does not exist yet.
std::string ResolveFileLinks(const std::string& path);

// ---- reading ----

// What tells one version of a file from the next: its size and its time of last change.
struct FileStamp {
    int64_t Size = -1;
    int64_t Changed = 0;  // system units (ns since the epoch, or 100 ns ticks on Windows)
    bool operator==(const FileStamp&) const = default;
};

// Opens a regular file for reading in binary mode. A folder (EISDIR) or anything else that is no
// regular file (EINVAL: a FIFO, a device, a console) is refused, without blocking on it. Null with
// `error` set when the file cannot be opened; `stamp`, when given, is the file's stamp at open.
std::FILE* OpenRegularFile(const std::string& path, int& error, FileStamp* stamp = nullptr);

// True when the open file's size or time of change differs from `before` (or cannot be read):
// the file was rewritten while it was read.
bool FileChangedSince(std::FILE* file, const FileStamp& before);

// ---- writing (the pieces WriteFileAtomically is built of) ----

// Creates a new, empty file for writing; fails (EEXIST) when the name is taken. Permissions as
// the system gives a new file. -1 with errno set on failure.
int CreateNewFile(const std::string& path);
// Opens a file for writing from its start, creating it when missing and emptying it otherwise.
// -1 with errno set on failure.
int OpenFileForRewrite(const std::string& path);
// Writes every byte, makes sure they reached the disk, and closes `fd` (also on failure). False
// with errno set when a write, the flush or the close failed.
bool WriteFlushAndClose(int fd, const std::string& bytes);
// Gives the new file `fd` the owner and permissions `old` had. False when the owner could not be
// kept (the file would change hands); true where the system has no such owner.
bool KeepOwnerAndMode(int fd, const FileStatus& old);
// Closes a descriptor without writing.
void CloseFile(int fd);
// Puts `from` in the place of `to` in one step, replacing an existing file, and flushes the
// folder's record of it where the system can. False with errno set on failure.
bool MoveFileOver(const std::string& from, const std::string& to);
// Removes a file; errors are ignored (used to clean up temporary files).
void RemoveFile(const std::string& path);

// ---- standard streams ----

// Standard output and error carry bytes as they are (no CR LF translation), so that a tool's
// output is the same on every system.
void UseBinaryStandardStreams();

}  // namespace vendra
