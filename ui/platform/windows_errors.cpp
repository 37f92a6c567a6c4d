#include "platform/windows_errors.h"

namespace vexo::platform {
namespace {

struct Entry {
    std::uint32_t code;
    base::ErrorKind kind;
    const char* text;
};

using K = base::ErrorKind;

// The texts are those of an English Windows 10 (FormatMessageW, system
// table; WinINet's own table for the 12000 range).
constexpr Entry kTable[] = {
    {win::kFileNotFound, K::NotFound, "The system cannot find the file specified."},
    {win::kPathNotFound, K::NotFound, "The system cannot find the path specified."},
    {win::kInvalidDrive, K::NotFound, "The system cannot find the drive specified."},
    {win::kBadNetPath, K::NotFound, "The network path was not found."},
    {win::kBadNetName, K::NotFound, "The network name cannot be found."},
    {win::kBadPathname, K::NotFound, "The specified path is invalid."},
    {win::kDirectoryName, K::NotFound, "The directory name is invalid."},
    {win::kAccessDenied, K::AccessDenied, "Access is denied."},
    {win::kCantAccessFile, K::AccessDenied, "The file cannot be accessed by the system."},
    {win::kSharingViolation, K::SharingViolation,
     "The process cannot access the file because it is being used by another process."},
    {win::kLockViolation, K::SharingViolation,
     "The process cannot access the file because another process has locked a portion of the "
     "file."},
    {win::kCrc, K::Io, "Data error (cyclic redundancy check)."},
    {win::kIoDevice, K::Io, "The request could not be performed because of an I/O device error."},
    {win::kFileCorrupt, K::Io, "The file or directory is corrupted and unreadable."},
    {win::kFilenameExcedRange, K::PathTooLong, "The filename or extension is too long."},
    {win::kNotReady, K::DeviceNotReady, "The device is not ready."},
    {win::kNoMediaInDrive, K::DeviceNotReady, "No media in drive."},
    {win::kDevNotExist, K::DeviceNotReady,
     "The specified network resource or device is no longer available."},
    {win::kUnrecognizedVolume, K::DeviceNotReady,
     "The volume does not contain a recognized file system.\r\nPlease make sure that all "
     "required file system drivers are loaded and that the volume is not corrupted."},
    {win::kCancelled, K::Cancelled, "The operation was canceled by the user."},
    {win::kInvalidParameter, K::InvalidInput, "The parameter is incorrect."},
    {win::kInvalidName, K::InvalidInput,
     "The filename, directory name, or volume label syntax is incorrect."},
    {win::kNotEnoughMemory, K::Other,
     "Not enough memory resources are available to process this "
     "command."},
    {win::kFileExists, K::Other, "The file exists."},
    {win::kAlreadyExists, K::Other, "Cannot create a file when that file already exists."},
    {win::kDiskFull, K::Other, "There is not enough space on the disk."},
    {win::kDirNotEmpty, K::Other, "The directory is not empty."},
    {win::kNoAssociation, K::Other,
     "No application is associated with the specified file for this operation."},
    {win::kInternetTimeout, K::Other, "The operation timed out"},
    {win::kInternetNameNotResolved, K::Other, "The server name or address could not be resolved"},
    {win::kInternetCannotConnect, K::Other,
     "A connection with the server could not be established"},
    {win::kInternetConnectionAborted, K::Other,
     "The connection with the server was terminated abnormally"},
    {win::kInternetInvalidResponse, K::Other,
     "The server returned an invalid or unrecognized response"},
    {win::kInternetSecureChannelError, K::Other, "An error occurred in the secure channel support"},
    {win::kInternetSecureFailure, K::Other, "A security error occurred"},
};

const Entry* Find(std::uint32_t code) {
    for (const Entry& e : kTable) {
        if (e.code == code) {
            return &e;
        }
    }
    return nullptr;
}

} // namespace

base::ErrorKind KindOfWindowsError(std::uint32_t code) {
    const Entry* e = Find(code);
    return e ? e->kind : K::Other;
}

std::string WindowsErrorText(std::uint32_t code) {
    const Entry* e = Find(code);
    return e ? std::string(e->text) : "Error " + std::to_string(code) + ".";
}

base::Error ErrorFromCode(std::uint32_t code) {
    return base::Error{KindOfWindowsError(code), WindowsErrorText(code)};
}

std::uint32_t TypicalCodeOf(base::ErrorKind kind) {
    switch (kind) {
    case K::NotFound:
        return win::kFileNotFound;
    case K::AccessDenied:
        return win::kAccessDenied;
    case K::SharingViolation:
        return win::kSharingViolation;
    case K::Io:
        return win::kIoDevice;
    case K::PathTooLong:
        return win::kFilenameExcedRange;
    case K::DeviceNotReady:
        return win::kNotReady;
    case K::Cancelled:
        return win::kCancelled;
    case K::InvalidInput:
        return win::kInvalidParameter;
    case K::Other:
        break;
    }
    return win::kNotEnoughMemory;
}

} // namespace vexo::platform
