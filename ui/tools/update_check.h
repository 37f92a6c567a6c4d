#pragma once
// The More menu's "التحديثات": asks the update host afresh which version is
// published and always answers, on the UI thread, with a message for every
// outcome; offers the download page when a newer version is out.

#include "platform/files.h"
#include "shell/section.h"

#include <string>

namespace vexo::tools {

// The version this build is.
inline constexpr int kRunningVersion = 23;
// The update host this build asks (a setting of the build).
extern const char kUpdateHost[];

// The version file's address with "?t=" and the UTC time in ticks (100-ns
// steps since 1 January of the year 1), so that no cache can have answered
// it before.
std::string VersionFileUrl(platform::FileTime nowUtc);
// The download page, opened in the user's browser.
std::string DownloadPageUrl();

// The check: one request (5000 ms for the response, 5000 ms for each read
// of the body), then the question or one of the messages through the
// context. Called once the shell has allowed it (nothing is busy).
void CheckUpdate16(shell::SectionContext& context);

// Offers the check as the More menu's "التحديثات".
void RegisterUpdateCheck(shell::SectionCatalog& catalog);

} // namespace vexo::tools
