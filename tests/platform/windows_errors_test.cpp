#include "platform/windows_errors.h"

#include <gtest/gtest.h>

namespace vexo::platform {
namespace {

using K = base::ErrorKind;

// The crawl skips or stops by these kinds, so each system code must land in
// the right one.
TEST(WindowsErrors, CodesMapToTheKindsSectionsDecideBy) {
    const struct {
        std::uint32_t code;
        K kind;
    } cases[] = {
        {win::kFileNotFound, K::NotFound},
        {win::kPathNotFound, K::NotFound},
        {win::kBadNetPath, K::NotFound},
        {win::kAccessDenied, K::AccessDenied},
        {win::kSharingViolation, K::SharingViolation},
        {win::kLockViolation, K::SharingViolation},
        {win::kIoDevice, K::Io},
        {win::kCrc, K::Io},
        {win::kFilenameExcedRange, K::PathTooLong},
        {win::kNotReady, K::DeviceNotReady},
        {win::kNoMediaInDrive, K::DeviceNotReady},
        {win::kCancelled, K::Cancelled},
        {win::kInvalidName, K::InvalidInput},
        {win::kDiskFull, K::Other},
        {999999, K::Other},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KindOfWindowsError(c.code), c.kind) << c.code;
        EXPECT_FALSE(WindowsErrorText(c.code).empty()) << c.code;
    }
    EXPECT_EQ(WindowsErrorText(win::kCancelled), "The operation was canceled by the user.");
}

TEST(WindowsErrors, EveryKindHasATypicalCodeOfThatKind) {
    for (K kind : {K::NotFound, K::AccessDenied, K::SharingViolation, K::Io, K::PathTooLong,
                   K::DeviceNotReady, K::Cancelled, K::InvalidInput}) {
        EXPECT_EQ(KindOfWindowsError(TypicalCodeOf(kind)), kind);
    }
}

} // namespace
} // namespace vexo::platform
