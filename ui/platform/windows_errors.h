#pragma once
// Windows system error codes: which kind of failure each one is, and the
// words Windows itself uses for it. The win32 adapter decides the kind from
// GetLastError() with this table and takes the text from FormatMessageW; the
// emulated machine takes both from here, so the sections see the same
// messages in tests as users see on an English Windows.

#include "base/result.h"

#include <cstdint>
#include <string>

namespace vexo::platform {

namespace win {
inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kNotEnoughMemory = 8;
inline constexpr std::uint32_t kInvalidDrive = 15;
inline constexpr std::uint32_t kNotReady = 21;
inline constexpr std::uint32_t kCrc = 23;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kLockViolation = 33;
inline constexpr std::uint32_t kBadNetPath = 53;
inline constexpr std::uint32_t kDevNotExist = 55;
inline constexpr std::uint32_t kBadNetName = 67;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kInvalidName = 123;
inline constexpr std::uint32_t kDirNotEmpty = 145;
inline constexpr std::uint32_t kBadPathname = 161;
inline constexpr std::uint32_t kAlreadyExists = 183;
inline constexpr std::uint32_t kFilenameExcedRange = 206;
inline constexpr std::uint32_t kDirectoryName = 267;
inline constexpr std::uint32_t kUnrecognizedVolume = 1005;
inline constexpr std::uint32_t kIoDevice = 1117;
inline constexpr std::uint32_t kNoMediaInDrive = 1112;
inline constexpr std::uint32_t kNoAssociation = 1155;
inline constexpr std::uint32_t kCancelled = 1223;
inline constexpr std::uint32_t kFileCorrupt = 1392;
inline constexpr std::uint32_t kCantAccessFile = 1920;
inline constexpr std::uint32_t kInternetTimeout = 12002;
inline constexpr std::uint32_t kInternetNameNotResolved = 12007;
inline constexpr std::uint32_t kInternetCannotConnect = 12029;
inline constexpr std::uint32_t kInternetConnectionAborted = 12030;
inline constexpr std::uint32_t kInternetInvalidResponse = 12152;
inline constexpr std::uint32_t kInternetSecureChannelError = 12157;
inline constexpr std::uint32_t kInternetSecureFailure = 12175;
} // namespace win

// The kind a section decides by; codes the table does not know are Other.
base::ErrorKind KindOfWindowsError(std::uint32_t code);

// English Windows' message for the code, without the trailing line end; for
// an unknown code, "Error N." in the absence of anything better.
std::string WindowsErrorText(std::uint32_t code);

// Kind and text together.
base::Error ErrorFromCode(std::uint32_t code);

// The typical code of a kind (NotFound: file not found, and so on), for
// failures that are described by kind only, as in scripted test machines.
std::uint32_t TypicalCodeOf(base::ErrorKind kind);

} // namespace vexo::platform
