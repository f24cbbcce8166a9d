// PlatformFiles on Windows: wide-character calls on UTF-8 paths, binary mode throughout, and a
// replacing, write-through move in place of rename() (which does not replace an existing file).
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "core/base/PlatformFiles.h"

namespace vendra {

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    int n =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                          nullptr, nullptr);
    return narrow;
}

// The errno that says what a Windows error says, so that messages read as on POSIX systems.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        default:
            return EIO;
    }
}

bool FailWith(DWORD error) {
    errno = ErrnoOf(error);
    return false;
}

FileStamp StampOf(const BY_HANDLE_FILE_INFORMATION& info) {
    auto join = [](DWORD high, DWORD low) {
        return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
    };
    return {join(info.nFileSizeHigh, info.nFileSizeLow),
            join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
}

}  // namespace

FileStatus StatusOf(const std::string& path) {
    FileStatus status;
    // Opening the path follows a link to its file, as stat() does.
    HANDLE h =
        ::CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        status.Error = ErrnoOf(::GetLastError());
        return status;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info)) {
        status.Kind = FileKind::Other;
    } else {
        status.Kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder
                                                                         : FileKind::Regular;
    }
    ::CloseHandle(h);
    return status;
}

bool EntryExists(const std::string& path) {
    return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ResolveFileLinks(const std::string& path) {
    DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    HANDLE h =
        ::CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return path;  // a dangling link: the link itself is replaced
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = ::GetFinalPathNameByHandleW(h, buffer, sizeof buffer / sizeof buffer[0],
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    ::CloseHandle(h);
    if (n == 0 || n >= sizeof buffer / sizeof buffer[0]) return path;
    std::wstring target(buffer, n);
    // "\\?\C:\..." is the long form of "C:\...".
    if (target.rfind(L"\\\\?\\", 0) == 0 && target.size() > 6 && target[5] == L':')
        target.erase(0, 4);
    return Narrow(target);
}

std::FILE* OpenRegularFile(const std::string& path, int& error, FileStamp* stamp) {
    // CreateFile with these flags neither blocks on a device nor refuses a folder, so both can be
    // told apart from a file before anything is read.
    HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = ErrnoOf(::GetLastError());
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EISDIR : EINVAL;
        ::CloseHandle(h);
        return nullptr;
    }
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        error = EMFILE;
        ::CloseHandle(h);
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "rb");
    if (file == nullptr) {
        error = errno;
        ::_close(fd);  // closes the handle too
        return nullptr;
    }
    if (stamp != nullptr) *stamp = StampOf(info);
    return file;
}

bool FileChangedSince(std::FILE* file, const FileStamp& before) {
    if (file == nullptr) return true;
    HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    BY_HANDLE_FILE_INFORMATION info{};
    if (h == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(h, &info)) return true;
    return StampOf(info) != before;
}

int CreateNewFile(const std::string& path) {
    return ::_wopen(Wide(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
}

int OpenFileForRewrite(const std::string& path) {
    return ::_wopen(Wide(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
}

bool WriteFlushAndClose(int fd, const std::string& bytes) {
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        // Whole writes in pieces the C library's unsigned int count can take.
        unsigned piece = static_cast<unsigned>(std::min<size_t>(bytes.size() - done, 1u << 30));
        int n = ::_write(fd, bytes.data() + done, piece);
        if (n <= 0) {
            if (n == 0) errno = EIO;
            ok = false;
        } else {
            done += static_cast<size_t>(n);
        }
    }
    if (ok) {
        HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
        if (h == INVALID_HANDLE_VALUE || !::FlushFileBuffers(h)) ok = FailWith(::GetLastError());
    }
    int err = errno;
    if (::_close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    errno = err;
    return ok;
}

bool KeepOwnerAndMode(int, const FileStatus&) {
    // A new file takes its folder's access rules, as the file it replaces did.
    return true;
}

void CloseFile(int fd) {
    ::_close(fd);
}

bool MoveFileOver(const std::string& from, const std::string& to) {
    if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    return FailWith(::GetLastError());
}

void RemoveFile(const std::string& path) {
    ::_wunlink(Wide(path).c_str());
}

void UseBinaryStandardStreams() {
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

}  // namespace vendra
