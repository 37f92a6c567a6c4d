// Files on the Windows API. Folder listings take attributes, lengths and
// times from FindFirstFileExW in one pass (never one open per entry).

#include "base/utf.h"
#include "platform/path_rules.h"
#include "platform/win32/errors.h"
#include "platform/win32/factories.h"

#include <optional>
#include <vector>

namespace vexo::platform::win32 {
namespace {

FileTime TicksOf(const FILETIME& t) {
    return static_cast<FileTime>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                 t.dwLowDateTime);
}

std::int64_t LengthOf(DWORD high, DWORD low) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

// UTF-16 to UTF-8 into a buffer that is reused from entry to entry.
void NarrowInto(const wchar_t* text, std::string& out) {
    int units = static_cast<int>(::wcslen(text));
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(bytes));
    ::WideCharToMultiByte(CP_UTF8, 0, text, units, out.data(), bytes, nullptr, nullptr);
}

class Win32Files final : public Files {
public:
    base::Status ListFolder(const std::string& folder, ListingSink& sink) override {
        std::wstring pattern = ApiPath(paths::Join(folder, "*"));
        WIN32_FIND_DATAW data;
        UniqueFindHandle find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                                 FindExSearchNameMatch, nullptr,
                                                 FIND_FIRST_EX_LARGE_FETCH));
        if (find.get() == INVALID_HANDLE_VALUE) {
            DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) {
                return {}; // a drive root without any entry
            }
            return SystemError(error);
        }
        std::string name;
        do {
            const wchar_t* w = data.cFileName;
            if (w[0] == L'.' && (w[1] == 0 || (w[1] == L'.' && w[2] == 0))) {
                continue;
            }
            NarrowInto(w, name);
            DirEntryView entry{name,
                               {data.dwFileAttributes,
                                LengthOf(data.nFileSizeHigh, data.nFileSizeLow),
                                TicksOf(data.ftLastWriteTime)}};
            if ((entry.info.attributes & attr::Directory) != 0) {
                entry.info.length = 0;
            }
            if (!sink.OnEntry(entry)) {
                return {};
            }
        } while (::FindNextFileW(find.get(), &data));
        DWORD error = ::GetLastError();
        if (error != ERROR_NO_MORE_FILES) {
            return SystemError(error);
        }
        return {};
    }

    // FindFirstFileExW hands every length and attribute over with the names:
    // a size walk has nothing cheaper to ask for.
    base::Status ListFolderSizes(const std::string& folder, ListingSink& sink) override {
        return ListFolder(folder, sink);
    }

    base::Result<FileInfo> ReadInfo(const std::string& path) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExW(ApiPath(path).c_str(), GetFileExInfoStandard, &data)) {
            return SystemError(::GetLastError());
        }
        FileInfo info{data.dwFileAttributes, LengthOf(data.nFileSizeHigh, data.nFileSizeLow),
                      TicksOf(data.ftLastWriteTime)};
        if (info.IsDirectory()) {
            info.length = 0;
        }
        return info;
    }

    bool Exists(const std::string& path) override {
        return ::GetFileAttributesW(ApiPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    base::Status CreateFolderTree(const std::string& path) override {
        auto full = FullPath(path);
        if (!full) {
            return full.status();
        }
        std::string target(paths::TrimTrailingBackslashes(*full));
        DWORD attributes = ::GetFileAttributesW(ApiPath(target).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? base::Status()
                                                           : SystemError(ERROR_ALREADY_EXISTS);
        }
        if (auto parent = paths::Parent(target)) {
            if (auto made = CreateFolderTree(*parent); !made) {
                return made;
            }
        }
        if (!::CreateDirectoryW(ApiPath(target).c_str(), nullptr)) {
            DWORD error = ::GetLastError();
            if (error != ERROR_ALREADY_EXISTS) {
                return SystemError(error);
            }
        }
        return {};
    }

    base::Result<std::string> ReadAllBytes(const std::string& path) override {
        UniqueKernelHandle file(
            ::CreateFileW(ApiPath(path).c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file.valid()) {
            return SystemError(::GetLastError());
        }
        std::string bytes;
        char buffer[65536];
        for (;;) {
            DWORD read = 0;
            if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) {
                return SystemError(::GetLastError());
            }
            if (read == 0) {
                break;
            }
            bytes.append(buffer, read);
        }
        return bytes;
    }

    base::Status WriteAllBytes(const std::string& path, std::string_view bytes) override {
        UniqueKernelHandle file(::CreateFileW(ApiPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                              nullptr));
        if (!file.valid()) {
            return SystemError(::GetLastError());
        }
        return WriteAll(file.get(), bytes);
    }

    // Opened for writing rather than for appending alone, so that a failed
    // append can cut its partial entry off again (SetEndOfFile needs write
    // access); no other writer shares the file, so the end stays where it is.
    base::Status AppendBytes(const std::string& path, std::string_view bytes) override {
        const std::wstring wide = ApiPath(path);
        UniqueKernelHandle file(::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            return SystemError(::GetLastError());
        }
        const bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
        LARGE_INTEGER end{};
        if (!::SetFilePointerEx(file.get(), LARGE_INTEGER{}, &end, FILE_END)) {
            return SystemError(::GetLastError());
        }
        base::Status status = WriteAll(file.get(), bytes);
        if (status.ok()) {
            return status;
        }
        if (created) {
            file.reset();
            ::DeleteFileW(wide.c_str());
        } else if (::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN)) {
            ::SetEndOfFile(file.get());
        }
        return status;
    }

    base::Status FlushToDisk(const std::string& path) override {
        UniqueKernelHandle file(::CreateFileW(ApiPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                              nullptr));
        if (!file.valid()) {
            return SystemError(::GetLastError());
        }
        if (!::FlushFileBuffers(file.get())) {
            return SystemError(::GetLastError());
        }
        return {};
    }

    base::Status MoveReplace(const std::string& from, const std::string& to) override {
        if (!::MoveFileExW(ApiPath(from).c_str(), ApiPath(to).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return SystemError(::GetLastError());
        }
        return {};
    }

    base::Status RemoveFile(const std::string& path) override {
        if (!::DeleteFileW(ApiPath(path).c_str())) {
            DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
                return {};
            }
            return SystemError(error);
        }
        return {};
    }

    base::Result<std::string> FullPath(const std::string& path) override {
        if (path.empty()) {
            return SystemError(ERROR_INVALID_PARAMETER);
        }
        std::wstring wide = base::Widen(path);
        DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
        if (needed == 0) {
            return SystemError(::GetLastError());
        }
        std::wstring full(needed, L'\0');
        DWORD written = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
        if (written == 0 || written >= needed) {
            return SystemError(written == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER);
        }
        full.resize(written);
        return base::Narrow(full);
    }

    base::Result<std::string> LongPath(const std::string& path) override {
        auto full = FullPath(path);
        if (!full) {
            return full;
        }
        if (!paths::Parent(*full)) {
            return full; // a root has no names to expand
        }
        const std::string_view bare = paths::TrimTrailingBackslashes(*full);
        // GetLongPathNameW expands only a path that exists; the names that do
        // not exist (yet) are put back after the longest part that does.
        std::string existing(bare);
        std::vector<std::string> missing;
        DWORD error = ERROR_SUCCESS;
        std::optional<std::wstring> expanded;
        while (!(expanded = LongFormOf(existing, error))) {
            std::optional<std::string> parent = paths::Parent(existing);
            if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) || !parent) {
                return SystemError(error);
            }
            missing.emplace_back(paths::FileName(existing));
            existing = std::move(*parent);
        }
        std::string out = base::Narrow(*expanded);
        for (auto name = missing.rbegin(); name != missing.rend(); ++name) {
            out = paths::Join(out, *name);
        }
        return out + full->substr(bare.size());
    }

    std::string CurrentDirectory() override {
        DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
        std::wstring cwd(needed, L'\0');
        DWORD written = ::GetCurrentDirectoryW(needed, cwd.data());
        cwd.resize(written < needed ? written : 0);
        return base::Narrow(cwd);
    }

private:
    // The long form of an existing path, in the form it was given: the "\\?\"
    // that ApiPath puts before a long path is taken off again. None, with
    // `error` set, when Windows cannot give it.
    static std::optional<std::wstring> LongFormOf(const std::string& existing, DWORD& error) {
        const std::wstring wide = ApiPath(existing);
        const DWORD needed = ::GetLongPathNameW(wide.c_str(), nullptr, 0);
        if (needed == 0) {
            error = ::GetLastError();
            return std::nullopt;
        }
        std::wstring expanded(needed, L'\0');
        const DWORD written = ::GetLongPathNameW(wide.c_str(), expanded.data(), needed);
        if (written == 0 || written >= needed) {
            error = written == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER;
            return std::nullopt;
        }
        expanded.resize(written);
        if (existing.starts_with("\\\\?\\")) {
            return expanded;
        }
        if (expanded.starts_with(L"\\\\?\\UNC\\")) {
            return L"\\\\" + expanded.substr(8);
        }
        if (expanded.starts_with(L"\\\\?\\")) {
            return expanded.substr(4);
        }
        return expanded;
    }

    static base::Status WriteAll(HANDLE file, std::string_view bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
            DWORD written = 0;
            if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) {
                return SystemError(::GetLastError());
            }
            done += written;
        }
        return {};
    }
};

} // namespace

std::unique_ptr<Files> MakeFiles() {
    return std::make_unique<Win32Files>();
}

} // namespace vexo::platform::win32
