// Reporting: the log, the console, the status window's lifetime, notices and status texts.
// All of it runs on the driver thread.
#pragma once

#include <windows.h>

#include <string>

namespace orbalt {

// The account's temporary path followed by "Tessaly Installer Temp\" (under LocalSystem in the
// system-only temp folder where Windows has one); creates the folder and holds it for the rest of
// the process, so that it cannot be renamed or replaced and the log is always the file in it. A
// privileged run reaches it from the volume's root without following a link a user made, and
// under LocalSystem logs in a new admin-only folder beside one that a user made or may change.
// Raises when there is no fit temporary path (core/folder_security.h), a link a user made lies on
// the way, or the name is a link or a file (but under LocalSystem).
std::wstring GetTempFolder();

// Appends one "|LOG|: " record to Installer.log and echoes the text to the console.
void LogLine(std::wstring text);

// Opens reporting for the run: the status window (Gui) or a console (Verbose), the log path,
// and a fresh log. Without `logRequired`, a temp folder unfit for the log leaves the run without
// one instead of raising.
void StartReporting(HINSTANCE instance, bool logRequired);

// Closes the status window, or waits for a key on the console and releases it.
void EndReporting();

void ReportError(std::wstring title, std::wstring text);
void ReportInfo(std::wstring title, std::wstring text);
void SetStatusText(std::wstring text);
void SetProgress(double percent);
void OpenLogFile();

// Appends one whole record (prefix and text) to Installer.log; lost silently when the file
// cannot be opened.
void AppendLogRecord(const std::wstring& prefix, const std::wstring& text);

// Writes text to the console as it stands; without a console nothing happens.
void WriteConsoleText(const std::wstring& text);

} // namespace orbalt
