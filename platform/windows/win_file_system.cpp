// Win32 files for the seam: no C runtime in between (its narrow paths would go through the ANSI
// code page), FlushFileBuffers before a finished file may replace another.
#include "platform/windows/win_file_system.h"

#include <windows.h>

#include <climits>

#include "platform/windows/win_text.h"

namespace brine {
namespace {

FileError error_from_last() {
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_DIRECTORY
               ? FileError::kMissing
               : FileError::kRefused;
}

class WinFileStream final : public FileStream {
public:
    WinFileStream(HANDLE file, bool writable) : file_(file), writable_(writable) {}
    ~WinFileStream() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }

    bool read(void* buffer, std::size_t count, std::size_t* transferred) override {
        std::size_t total = 0;
        bool ok = file_ != INVALID_HANDLE_VALUE;
        while (ok && total < count) {
            const DWORD want = static_cast<DWORD>(count - total > 0x40000000u ? 0x40000000u : count - total);
            DWORD got = 0;
            if (!ReadFile(file_, static_cast<char*>(buffer) + total, want, &got, nullptr)) ok = false;
            if (got == 0) break;
            total += got;
        }
        if (transferred) *transferred = total;
        return ok;
    }

    bool write(const void* buffer, std::size_t count) override {
        if (file_ == INVALID_HANDLE_VALUE || !writable_) return false;
        std::size_t total = 0;
        while (total < count) {
            const DWORD want = static_cast<DWORD>(count - total > 0x40000000u ? 0x40000000u : count - total);
            DWORD put = 0;
            if (!WriteFile(file_, static_cast<const char*>(buffer) + total, want, &put, nullptr) || put == 0) {
                failed_ = true;
                return false;
            }
            total += put;
        }
        wrote_ = wrote_ || count > 0;
        return true;
    }

    bool seek(std::int64_t distance, SeekMethod method, std::uint64_t* position) override {
        if (file_ == INVALID_HANDLE_VALUE) return false;
        const DWORD how = method == SeekMethod::kBegin ? FILE_BEGIN : method == SeekMethod::kCurrent ? FILE_CURRENT : FILE_END;
        LARGE_INTEGER move;
        move.QuadPart = distance;
        LARGE_INTEGER at;
        // A target before the start fails with ERROR_NEGATIVE_SEEK and leaves the position.
        if (!SetFilePointerEx(file_, move, &at, how)) return false;
        if (position) *position = static_cast<std::uint64_t>(at.QuadPart);
        return true;
    }

    bool size(std::uint64_t* bytes) override {
        LARGE_INTEGER size;
        if (file_ == INVALID_HANDLE_VALUE || !GetFileSizeEx(file_, &size)) return false;
        *bytes = static_cast<std::uint64_t>(size.QuadPart);
        return true;
    }

    bool finish() override {
        if (file_ == INVALID_HANDLE_VALUE) return false;
        bool ok = !failed_;
        if (wrote_ && !FlushFileBuffers(file_)) ok = false;
        if (!CloseHandle(file_)) ok = false;
        file_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE file_;
    bool writable_;
    bool wrote_ = false;
    bool failed_ = false;
};

bool is_folder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring win_path(const char* path) { return utf8_to_wide(path ? path : ""); }

std::unique_ptr<FileStream> WinFileSystem::open(const char* path, OpenMode mode, FileError* error) {
    FileError why = FileError::kRefused;
    std::unique_ptr<FileStream> stream;
    if (path && *path) {
        DWORD access = GENERIC_READ;
        DWORD creation = OPEN_EXISTING;
        // Readers and writers may share, and a file open here may still be replaced or removed.
        DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        switch (mode) {
        case OpenMode::kRead: break;
        case OpenMode::kReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
        case OpenMode::kCreateNew:
            access = GENERIC_WRITE;
            creation = CREATE_NEW;
            share = FILE_SHARE_READ | FILE_SHARE_DELETE;
            break;
        }
        const HANDLE file = CreateFileW(win_path(path).c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
        BY_HANDLE_FILE_INFORMATION info;
        if (file == INVALID_HANDLE_VALUE) {
            why = error_from_last();  // a folder is refused here (access denied)
        } else if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
                   (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            CloseHandle(file);  // devices (CON, NUL), pipes and folders are no data files
        } else {
            stream = std::make_unique<WinFileStream>(file, mode != OpenMode::kRead);
        }
    }
    if (error) *error = stream ? FileError::kNone : why;
    return stream;
}

bool WinFileSystem::replace(const char* from, const char* to) {
    if (!from || !to) return false;
    return MoveFileExW(win_path(from).c_str(), win_path(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool WinFileSystem::move_to_new(const char* from, const char* to) {
    if (!from || !to) return false;
    // Without MOVEFILE_REPLACE_EXISTING the move itself refuses an existing name.
    return MoveFileExW(win_path(from).c_str(), win_path(to).c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool WinFileSystem::remove(const char* path) {
    if (!path) return false;
    if (DeleteFileW(win_path(path).c_str())) return true;
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

FileError WinFileSystem::list_folder(const char* path, std::vector<FolderEntry>* entries) {
    entries->clear();
    if (!path) return FileError::kRefused;
    std::wstring pattern = win_path(*path ? path : ".");
    if (!is_folder(pattern)) return GetFileAttributesW(pattern.c_str()) == INVALID_FILE_ATTRIBUTES ? error_from_last() : FileError::kMissing;
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? FileError::kNone : error_from_last();
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool regular = !(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
        entries->push_back({wide_to_utf8(name), regular});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return FileError::kNone;
}

bool WinFileSystem::make_folder(const char* path) {
    if (!path || !*path) return false;
    const std::wstring folder = win_path(path);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && is_folder(folder);
}

}  // namespace brine
