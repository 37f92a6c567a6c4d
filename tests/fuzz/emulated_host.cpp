#include "fuzz/emulated_host.h"

#include "fuzz/fuzz_abort.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vexo::fuzz {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNamesAnEntry = "the path names an entry on a mapped drive";
constexpr std::string_view kExists = "the entry exists on the host";
constexpr std::string_view kNoLink = "no folder on the way from the drive is a link";
constexpr std::string_view kOnADrive = "the entry lies on a drive";
constexpr std::string_view kNotARoot = "the entry is not a drive's root";
constexpr std::string_view kOutsideProtected = "the entry lies outside every protected folder";
constexpr std::string_view kNoStream = "no name on the way carries a stream";
constexpr std::string_view kNoDevice = "the last name is not a device";

// The tree's folders and files below the temporary folder; "c" and "d" are
// the drives, "outside" lies on none. The links are made in MakeTree.
constexpr const char* kFolders[] = {
    "c/Windows/System32/drivers/etc",
    "c/Windows/Temp",
    "c/Program Files/App",
    "c/Program Files (x86)/App32",
    "c/Program Files Extra",
    "c/ProgramData/Vendor",
    "c/Users/u/AppData/Local/Temp",
    "c/Users/u/AppData/Local/VexoTolvik",
    "c/Users/u/AppData/Roaming/App",
    "c/Users/u/Documents/Sub",
    "c/Users/u/Downloads",
    "c/Users/u/OneDrive/Downloads",
    "d/Data/Archive",
    "outside",
};
constexpr const char* kFiles[] = {
    "c/Windows/System32/drivers/etc/hosts",
    "c/Windows/Temp/x.tmp",
    "c/Program Files/App/app.exe",
    "c/Program Files (x86)/App32/app.exe",
    "c/Program Files Extra/readme.txt",
    "c/ProgramData/Vendor/settings.ini",
    "c/Users/u/AppData/Local/Temp/t.tmp",
    "c/Users/u/AppData/Local/VexoTolvik/LastCleanup.json",
    "c/Users/u/AppData/Roaming/App/settings.ini",
    "c/Users/u/Documents/report.docx",
    "c/Users/u/Documents/notes.txt",
    // Host names that read, on Windows, as a stream of notes.txt and as
    // devices: an accepted path must never spell either.
    "c/Users/u/Documents/notes.txt:secret",
    "c/Users/u/Documents/CON",
    "c/Users/u/Documents/nul.txt",
    "c/Users/u/Documents/Sub/photo.jpg",
    "c/Users/u/Downloads/setup.exe",
    "c/Users/u/OneDrive/Downloads/file.pdf",
    "d/Data/big.iso",
    "d/Data/Archive/old.zip",
    "outside/secret.txt",
};
constexpr const char* kProtectedFolders[] = {
    "c/Windows",     "c/Program Files",           "c/Program Files (x86)",
    "c/ProgramData", "c/Users/u/AppData/Roaming", "c/Users/u/AppData/Local",
};

fs::path Canonical(const fs::path& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return {};
    }
    fs::path out(real);
    std::free(real);
    return out;
}

// `path` is `folder` or lies below it, compared by whole names.
bool IsSameOrBelow(const std::string& path, const std::string& folder) {
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Windows opens a device for these names, whatever the folder, whatever the
// extension, and with spaces before the extension.
bool IsDeviceName(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') {
        stem.remove_suffix(1);
    }
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN",    "AUX",
                                                               "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view device : kPlain) {
        if (EqualsAsciiIgnoreCase(stem, device)) {
            return true;
        }
    }
    // COM1-9 and LPT1-9, the superscript digits one to three included.
    for (std::string_view prefix : {"COM", "LPT"}) {
        if (stem.size() < 4 || !EqualsAsciiIgnoreCase(stem.substr(0, 3), prefix)) {
            continue;
        }
        std::string_view digit = stem.substr(3);
        if ((digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" ||
            digit == "\xC2\xB2" || digit == "\xC2\xB3") {
            return true;
        }
    }
    return false;
}

} // namespace

EmulatedHost& EmulatedHost::Instance() {
    static EmulatedHost host;
    return host;
}

EmulatedHost::EmulatedHost() {
    std::string pattern = (fs::temp_directory_path() / "vexo-fuzz-XXXXXX").native();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("vexo fuzz: no temporary folder");
        std::abort();
    }
    root_ = Canonical(pattern);
    MakeTree();

    machine_.MapDrive('C', drives_[0]).MapDrive('D', drives_[1]).WithUserProfile("u");
    machine_.SetEnv("WINDIR", "C:\\Windows")
        .SetEnv("ProgramFiles", "C:\\Program Files")
        .SetEnv("ProgramFiles(x86)", "C:\\Program Files (x86)")
        .SetEnv("ProgramData", "C:\\ProgramData")
        .SetEnv("APPDATA", "C:\\Users\\u\\AppData\\Roaming")
        .SetEnv("LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local")
        .SetEnv("OneDrive", "C:\\Users\\u\\OneDrive");
    // The 8.3 aliases an NTFS volume gives these folders: a protected folder
    // must stay protected in its short spelling, and a personal one is still
    // the user's.
    machine_.AddShortName("C:\\Windows", "WINDOW~1")
        .AddShortName("C:\\Program Files", "PROGRA~1")
        .AddShortName("C:\\Program Files (x86)", "PROGRA~2")
        .AddShortName("C:\\Program Files Extra", "PROGRA~3")
        .AddShortName("C:\\ProgramData", "PROGRA~4")
        .AddShortName("C:\\Users\\u\\AppData", "APPDAT~1")
        .AddShortName("C:\\Users\\u\\Documents", "DOCUME~1");
    currentDirectories_ = {"C:\\", "C:\\Users\\u\\Documents", "C:\\Windows\\System32", "D:\\Data"};
    machine_.SetCurrentDirectory(currentDirectories_[0]);
}

EmulatedHost::~EmulatedHost() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void EmulatedHost::MakeTree() {
    for (const char* folder : kFolders) {
        fs::create_directories(root_ / folder);
    }
    for (const char* file : kFiles) {
        std::ofstream(root_ / file) << file;
    }
    fs::create_directory_symlink(root_ / "c/Windows", root_ / "c/Users/u/Documents/Linked");
    fs::create_directory_symlink(root_ / "outside", root_ / "c/Users/u/Documents/Outside");
    // Beside the real "Sub", a link whose name ends in a space: Windows reads
    // "Sub" for it wherever it stands last.
    fs::create_directory_symlink(root_ / "c/Windows/Temp", root_ / "c/Users/u/Documents/Sub ");
    drives_ = {Canonical(root_ / "c"), Canonical(root_ / "d")};
    for (const char* folder : kProtectedFolders) {
        protected_.push_back(Canonical(root_ / folder));
    }
}

void EmulatedHost::ChooseCurrentDirectory(unsigned char selector) {
    const unsigned char index = selector % currentDirectories_.size();
    if (index != chosen_) {
        machine_.SetCurrentDirectory(currentDirectories_[index]);
        chosen_ = index;
    }
}

std::string EmulatedHost::BrokenRule(const std::string& path, std::string& detail) {
    const std::optional<fs::path> host = machine_.HostPathOf(path);
    if (!host) {
        return std::string(kNamesAnEntry);
    }
    detail = host->native();

    // Every name from the drive's folder down, as the machine spells them.
    const fs::path* drive = nullptr;
    for (const fs::path& candidate : drives_) {
        if (IsSameOrBelow(host->native(), candidate.native())) {
            drive = &candidate;
        }
    }
    if (drive == nullptr) {
        return std::string(kOnADrive);
    }
    fs::path step = *drive;
    for (const fs::path& name : host->lexically_relative(*drive)) {
        if (name == ".") {
            continue;
        }
        step /= name;
        struct stat st {};
        if (::lstat(step.c_str(), &st) != 0) {
            return std::string(kExists);
        }
        if (S_ISLNK(st.st_mode)) {
            return std::string(kNoLink);
        }
    }

    const fs::path real = Canonical(*host);
    if (real.empty()) {
        return std::string(kExists);
    }
    detail += " -> " + real.native();
    drive = nullptr;
    for (const fs::path& candidate : drives_) {
        if (IsSameOrBelow(real.native(), candidate.native())) {
            drive = &candidate;
        }
    }
    if (drive == nullptr) {
        return std::string(kOnADrive);
    }
    if (real == *drive) {
        return std::string(kNotARoot);
    }
    for (const fs::path& folder : protected_) {
        if (IsSameOrBelow(real.native(), folder.native())) {
            return std::string(kOutsideProtected);
        }
    }
    std::string last;
    for (const fs::path& name : real.lexically_relative(*drive)) {
        if (name.native().find(':') != std::string::npos) {
            return std::string(kNoStream);
        }
        last = name.native();
    }
    if (IsDeviceName(last)) {
        return std::string(kNoDevice);
    }
    return {};
}

void EmulatedHost::CheckAccepted(std::string_view input, const std::string& path) {
    std::string detail;
    const std::string rule = BrokenRule(path, detail);
    if (rule.empty()) {
        return;
    }
    Violation(rule, input, path + "  (host: " + detail + ")");
}

} // namespace vexo::fuzz
