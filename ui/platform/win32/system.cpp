// Volumes, environment, registry and clock on the Windows API.

#include "base/ordinal.h"
#include "base/utf.h"
#include "platform/path_rules.h"
#include "platform/win32/errors.h"
#include "platform/win32/factories.h"

#include <cstring>
#include <shlobj.h>

namespace vexo::platform::win32 {
namespace {

// ---------------------------------------------------------------------------
// Volumes

// "C:\" for any path on drive C, "\\server\share\" for a share path.
std::wstring RootOf(const std::string& path) {
    std::string root = paths::Root(path);
    if (root.empty()) {
        root = path;
    }
    if (root.back() != '\\') {
        root += '\\';
    }
    return base::Widen(root);
}

// Keeps Windows from asking the user to insert a disk while a drive is read.
class NoCriticalErrorBoxes {
public:
    NoCriticalErrorBoxes() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
    ~NoCriticalErrorBoxes() { ::SetThreadErrorMode(previous_, nullptr); }
    NoCriticalErrorBoxes(const NoCriticalErrorBoxes&) = delete;
    NoCriticalErrorBoxes& operator=(const NoCriticalErrorBoxes&) = delete;

private:
    DWORD previous_ = 0;
};

class Win32Volumes final : public Volumes {
public:
    std::vector<std::string> DriveRoots() override {
        std::vector<std::string> roots;
        DWORD mask = ::GetLogicalDrives();
        for (int i = 0; i < 26; ++i) {
            if (mask & (1u << i)) {
                roots.push_back(std::string(1, static_cast<char>('A' + i)) + ":\\");
            }
        }
        return roots;
    }

    DriveType TypeOf(const std::string& root) override {
        switch (::GetDriveTypeW(RootOf(root).c_str())) {
        case DRIVE_NO_ROOT_DIR:
            return DriveType::NoRootDir;
        case DRIVE_REMOVABLE:
            return DriveType::Removable;
        case DRIVE_FIXED:
            return DriveType::Fixed;
        case DRIVE_REMOTE:
            return DriveType::Remote;
        case DRIVE_CDROM:
            return DriveType::CdRom;
        case DRIVE_RAMDISK:
            return DriveType::RamDisk;
        default:
            return DriveType::Unknown;
        }
    }

    bool IsReady(const std::string& root) override {
        NoCriticalErrorBoxes quiet;
        return ::GetVolumeInformationW(RootOf(root).c_str(), nullptr, 0, nullptr, nullptr, nullptr,
                                       nullptr, 0) != 0;
    }

    base::Result<std::string> Label(const std::string& root) override {
        NoCriticalErrorBoxes quiet;
        wchar_t label[MAX_PATH + 1] = {};
        if (!::GetVolumeInformationW(RootOf(root).c_str(), label, MAX_PATH + 1, nullptr, nullptr,
                                     nullptr, nullptr, 0)) {
            return SystemError(::GetLastError());
        }
        return base::Narrow(label);
    }

    base::Result<VolumeReading> Read(const std::string& root) override {
        base::Result<std::string> label = Label(root);
        if (!label.ok()) {
            return label.error();
        }
        NoCriticalErrorBoxes quiet;
        ULARGE_INTEGER available, total, free;
        if (!::GetDiskFreeSpaceExW(RootOf(root).c_str(), &available, &total, &free)) {
            return SystemError(::GetLastError());
        }
        VolumeReading reading;
        reading.label = std::move(label).value();
        reading.total = static_cast<std::int64_t>(total.QuadPart);
        reading.totalFree = static_cast<std::int64_t>(free.QuadPart);
        reading.available = static_cast<std::int64_t>(available.QuadPart);
        return reading;
    }
};

// ---------------------------------------------------------------------------
// Environment

std::string LocaleText(LCTYPE type) {
    wchar_t buffer[128] = {};
    int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 128);
    return n > 0 ? base::Narrow(std::wstring_view(buffer, static_cast<std::size_t>(n - 1))) : "";
}

class Win32Environment final : public Environment {
public:
    std::optional<std::string> Get(const std::string& name) override {
        std::wstring wname = base::Widen(name);
        ::SetLastError(ERROR_SUCCESS);
        DWORD needed = ::GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
        if (needed == 0) {
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                return std::nullopt;
            }
            return std::string();
        }
        std::wstring value(needed, L'\0');
        DWORD written = ::GetEnvironmentVariableW(wname.c_str(), value.data(), needed);
        value.resize(written < needed ? written : 0);
        return base::Narrow(value);
    }

    void Set(const std::string& name, const std::optional<std::string>& value) override {
        std::wstring wvalue = value ? base::Widen(*value) : std::wstring();
        ::SetEnvironmentVariableW(base::Widen(name).c_str(), value ? wvalue.c_str() : nullptr);
    }

    std::string Expand(const std::string& text) override {
        std::wstring wide = base::Widen(text);
        DWORD needed = ::ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
        if (needed == 0) {
            return text;
        }
        std::wstring out(needed, L'\0');
        DWORD written = ::ExpandEnvironmentStringsW(wide.c_str(), out.data(), needed);
        if (written == 0 || written > needed) {
            return text;
        }
        out.resize(written - 1); // without the terminating null
        return base::Narrow(out);
    }

    std::optional<std::string> KnownFolderPath(KnownFolder folder) override {
        int csidl = CSIDL_DESKTOP;
        switch (folder) {
        case KnownFolder::Desktop:
            csidl = CSIDL_DESKTOP;
            break;
        case KnownFolder::Documents:
            csidl = CSIDL_PERSONAL;
            break;
        case KnownFolder::Pictures:
            csidl = CSIDL_MYPICTURES;
            break;
        case KnownFolder::Videos:
            csidl = CSIDL_MYVIDEO;
            break;
        case KnownFolder::Music:
            csidl = CSIDL_MYMUSIC;
            break;
        case KnownFolder::LocalAppData:
            csidl = CSIDL_LOCAL_APPDATA;
            break;
        case KnownFolder::Profile:
            csidl = CSIDL_PROFILE;
            break;
        }
        wchar_t path[MAX_PATH] = {};
        // The current value, and no CSIDL_FLAG_CREATE: a folder the user
        // removed is reported, never made again.
        if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ||
            path[0] == 0) {
            return std::nullopt;
        }
        return base::Narrow(path);
    }

    std::string TempPath() override {
        wchar_t path[MAX_PATH + 2] = {};
        DWORD n = ::GetTempPathW(MAX_PATH + 2, path);
        return base::Narrow(std::wstring_view(path, n));
    }

    base::Culture UserCulture() override {
        base::Culture c;
        c.name = LocaleText(LOCALE_SNAME);
        c.decimalSeparator = LocaleText(LOCALE_SDECIMAL);
        c.groupSeparator = LocaleText(LOCALE_STHOUSAND);
        c.negativeSign = LocaleText(LOCALE_SNEGATIVESIGN);
        // "3;0" repeats groups of three; "3;2;0" is the Indian grouping; a
        // list without the final 0 groups only as far as it goes.
        std::string grouping = LocaleText(LOCALE_SGROUPING);
        c.groupSizes.clear();
        bool repeat = false;
        for (std::size_t pos = 0; pos < grouping.size();) {
            std::size_t cut = grouping.find(';', pos);
            std::string part = grouping.substr(pos, cut == std::string::npos ? cut : cut - pos);
            int size = part.empty() ? 0 : std::stoi(part);
            if (size == 0) {
                repeat = true;
                break;
            }
            c.groupSizes.push_back(size);
            pos = cut == std::string::npos ? grouping.size() : cut + 1;
        }
        if (!repeat && !c.groupSizes.empty()) {
            c.groupSizes.push_back(0);
        }
        std::string negative = LocaleText(LOCALE_INEGNUMBER);
        int pattern = negative.empty() ? 1 : negative[0] - '0';
        if (pattern >= 0 && pattern <= 4) {
            c.negativePattern = static_cast<base::NegativeNumberPattern>(pattern);
        }
        c.dateSeparator = LocaleText(LOCALE_SDATE);
        c.timeSeparator = LocaleText(LOCALE_STIME);
        c.shortDatePattern = LocaleText(LOCALE_SSHORTDATE);
        c.longTimePattern = LocaleText(LOCALE_STIMEFORMAT);
        c.amDesignator = LocaleText(LOCALE_S1159);
        c.pmDesignator = LocaleText(LOCALE_S2359);
        return c;
    }

    int CompareInUserCulture(std::string_view a, std::string_view b) override {
        std::wstring wa = base::Widen(a);
        std::wstring wb = base::Widen(b);
        int order = ::CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, wa.data(),
                                      static_cast<int>(wa.size()), wb.data(),
                                      static_cast<int>(wb.size()), nullptr, nullptr, 0);
        if (order == 0) {
            return base::CompareIgnoreCase(a, b); // a locale the system cannot compare in
        }
        return order - CSTR_EQUAL;
    }
};

// ---------------------------------------------------------------------------
// Registry

HKEY RootKey(Hive hive) {
    return hive == Hive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

LSTATUS Open(Hive hive, const std::string& path, REGSAM access, UniqueRegistryKey& key) {
    return ::RegOpenKeyExW(RootKey(hive), base::Widen(path).c_str(), 0, access | KEY_WOW64_64KEY,
                           key.out());
}

std::string NarrowUnits(const wchar_t* text, std::size_t units) {
    while (units > 0 && text[units - 1] == L'\0') {
        --units;
    }
    return base::Narrow(std::wstring_view(text, units));
}

class Win32Registry final : public Registry {
public:
    bool KeyExists(Hive hive, const std::string& path) override {
        UniqueRegistryKey key;
        return Open(hive, path, KEY_QUERY_VALUE, key) == ERROR_SUCCESS;
    }

    base::Result<std::vector<std::string>> SubKeys(Hive hive, const std::string& path) override {
        UniqueRegistryKey key;
        if (LSTATUS rc = Open(hive, path, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, key);
            rc != ERROR_SUCCESS) {
            return SystemError(static_cast<DWORD>(rc));
        }
        std::vector<std::string> names;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            LSTATUS rc =
                ::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) {
                break;
            }
            if (rc != ERROR_SUCCESS) {
                return SystemError(static_cast<DWORD>(rc));
            }
            names.push_back(base::Narrow(std::wstring_view(name, length)));
        }
        return names;
    }

    base::Result<RegValue> ReadValue(Hive hive, const std::string& path,
                                     const std::string& name) override {
        UniqueRegistryKey key;
        if (LSTATUS rc = Open(hive, path, KEY_QUERY_VALUE, key); rc != ERROR_SUCCESS) {
            return SystemError(static_cast<DWORD>(rc));
        }
        std::wstring wname = base::Widen(name);
        DWORD type = 0;
        std::string data;
        for (;;) {
            DWORD size = static_cast<DWORD>(data.size());
            LSTATUS rc = ::RegQueryValueExW(key.get(), wname.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(data.data()), &size);
            if (rc == ERROR_SUCCESS && size <= data.size() && !data.empty()) {
                data.resize(size);
                break;
            }
            if (rc == ERROR_SUCCESS && size == 0) {
                data.clear();
                break;
            }
            if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) {
                return SystemError(static_cast<DWORD>(rc));
            }
            data.resize(size + 2); // room for a terminator the writer left out
        }
        RegValue value;
        const auto* units = reinterpret_cast<const wchar_t*>(data.data());
        std::size_t count = data.size() / sizeof(wchar_t);
        switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            value.type = type == REG_SZ ? RegType::String : RegType::ExpandString;
            value.text = NarrowUnits(units, count);
            break;
        case REG_MULTI_SZ: {
            value.type = RegType::MultiString;
            std::size_t start = 0;
            for (std::size_t i = 0; i < count; ++i) {
                if (units[i] == L'\0') {
                    if (i == start) {
                        break; // the empty string that ends the list
                    }
                    value.lines.push_back(
                        base::Narrow(std::wstring_view(units + start, i - start)));
                    start = i + 1;
                }
            }
            if (start < count && units[count - 1] != L'\0') {
                value.lines.push_back(
                    base::Narrow(std::wstring_view(units + start, count - start)));
            }
            break;
        }
        case REG_DWORD:
            value.type = RegType::Dword;
            if (data.size() >= 4) {
                std::uint32_t n;
                std::memcpy(&n, data.data(), 4);
                value.number = n;
            }
            break;
        case REG_QWORD:
            value.type = RegType::Qword;
            if (data.size() >= 8) {
                std::memcpy(&value.number, data.data(), 8);
            }
            break;
        case REG_BINARY:
            value.type = RegType::Binary;
            value.bytes = data;
            break;
        default:
            value.type = RegType::Other;
            value.bytes = data;
            break;
        }
        return value;
    }

    base::Status CreateKey(Hive hive, const std::string& path) override {
        UniqueRegistryKey key;
        LSTATUS rc = ::RegCreateKeyExW(RootKey(hive), base::Widen(path).c_str(), 0, nullptr,
                                       REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_WOW64_64KEY,
                                       nullptr, key.out(), nullptr);
        return rc == ERROR_SUCCESS ? base::Status() : SystemError(static_cast<DWORD>(rc));
    }

    base::Status WriteValue(Hive hive, const std::string& path, const std::string& name,
                            const RegValue& value) override {
        UniqueRegistryKey key;
        if (LSTATUS rc = Open(hive, path, KEY_SET_VALUE, key); rc != ERROR_SUCCESS) {
            return SystemError(static_cast<DWORD>(rc));
        }
        DWORD type = REG_NONE;
        std::string data;
        auto appendText = [&](const std::string& text) {
            std::wstring wide = base::Widen(text);
            data.append(reinterpret_cast<const char*>(wide.c_str()),
                        (wide.size() + 1) * sizeof(wchar_t));
        };
        switch (value.type) {
        case RegType::String:
        case RegType::ExpandString:
            type = value.type == RegType::String ? REG_SZ : REG_EXPAND_SZ;
            appendText(value.text);
            break;
        case RegType::MultiString:
            type = REG_MULTI_SZ;
            for (const auto& line : value.lines) {
                appendText(line);
            }
            appendText("");
            break;
        case RegType::Dword: {
            type = REG_DWORD;
            auto n = static_cast<std::uint32_t>(value.number);
            data.assign(reinterpret_cast<const char*>(&n), 4);
            break;
        }
        case RegType::Qword:
            type = REG_QWORD;
            data.assign(reinterpret_cast<const char*>(&value.number), 8);
            break;
        case RegType::Binary:
        case RegType::Other:
            type = REG_BINARY;
            data = value.bytes;
            break;
        }
        LSTATUS rc = ::RegSetValueExW(key.get(), base::Widen(name).c_str(), 0, type,
                                      reinterpret_cast<const BYTE*>(data.data()),
                                      static_cast<DWORD>(data.size()));
        return rc == ERROR_SUCCESS ? base::Status() : SystemError(static_cast<DWORD>(rc));
    }

    base::Status DeleteKeyTree(Hive hive, const std::string& path) override {
        std::size_t cut = path.rfind('\\');
        std::string parentPath = cut == std::string::npos ? std::string() : path.substr(0, cut);
        std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        UniqueRegistryKey parent;
        LSTATUS rc =
            Open(hive, parentPath,
                 DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE, parent);
        if (rc == ERROR_FILE_NOT_FOUND) {
            return {};
        }
        if (rc == ERROR_SUCCESS) {
            rc = ::RegDeleteTreeW(parent.get(), base::Widen(name).c_str());
        }
        if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
            return {};
        }
        return SystemError(static_cast<DWORD>(rc));
    }
};

// ---------------------------------------------------------------------------
// Clock

FileTime TicksOf(const FILETIME& t) {
    return static_cast<FileTime>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                 t.dwLowDateTime);
}

FILETIME FileTimeOf(FileTime ticks) {
    auto u = static_cast<std::uint64_t>(ticks);
    return FILETIME{static_cast<DWORD>(u & 0xFFFFFFFFu), static_cast<DWORD>(u >> 32)};
}

class Win32Clock final : public Clock {
public:
    Win32Clock() { ::QueryPerformanceFrequency(&frequency_); }

    FileTime NowUtc() override {
        FILETIME now;
        ::GetSystemTimePreciseAsFileTime(&now);
        return TicksOf(now);
    }

    // The time zone's rules for that date (daylight saving included) decide
    // the offset; the 100-ns fraction below the millisecond is kept.
    base::DateTimeParts ToLocal(FileTime utc) override {
        FILETIME ft = FileTimeOf(utc);
        SYSTEMTIME utcParts, localParts;
        FILETIME localFt;
        if (!::FileTimeToSystemTime(&ft, &utcParts) ||
            !::SystemTimeToTzSpecificLocalTime(nullptr, &utcParts, &localParts) ||
            !::SystemTimeToFileTime(&localParts, &localFt)) {
            return base::PartsFromFileTime(utc);
        }
        FileTime truncated = utc - utc % 10'000;
        return base::PartsFromFileTime(utc + (TicksOf(localFt) - truncated));
    }

    std::int64_t MonotonicNanos() override {
        LARGE_INTEGER counter;
        ::QueryPerformanceCounter(&counter);
        const std::int64_t f = frequency_.QuadPart;
        const std::int64_t c = counter.QuadPart;
        return (c / f) * 1'000'000'000 + (c % f) * 1'000'000'000 / f;
    }

private:
    LARGE_INTEGER frequency_{};
};

} // namespace

std::unique_ptr<Volumes> MakeVolumes() {
    return std::make_unique<Win32Volumes>();
}
std::unique_ptr<Environment> MakeEnvironment() {
    return std::make_unique<Win32Environment>();
}
std::unique_ptr<Registry> MakeRegistry() {
    return std::make_unique<Win32Registry>();
}
std::unique_ptr<Clock> MakeClock() {
    return std::make_unique<Win32Clock>();
}

} // namespace vexo::platform::win32
