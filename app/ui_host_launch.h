#pragma once
// Starts the UI application the launcher carries and waits for it to end.

namespace vexo::app {

// Writes the carried UI application to a unique "vxt" temporary file,
// publishes VEXO_APP_EXE23 and VEXO_UI_FILE_V23, runs the file without a
// console window, waits, deletes the file and returns the UI's exit status
// (1 when it could not be started). Shows the launcher's own message box for
// a start that failed and for a non-zero status.
int LaunchUiHost();

} // namespace vexo::app
