// Reporting: the log, the console, the status window's lifetime, notices and status texts.
// All of it runs on the driver thread.
#pragma once

#include <windows.h>

#include <string>

namespace orbalt {

// The user's temporary path followed by "Tessaly Installer Temp\"; creates the folder. Raises
// when there is no whole temporary path, or the folder cannot be made or is a reparse point.
std::wstring GetTempFolder();

// Raises when the file in the temp folder is a reparse point, before the run deletes or writes it.
void RefuseLinkedFile(const std::wstring& path);

// Appends one "|LOG|: " record to Installer.log and echoes the text to the console.
void LogLine(std::wstring text);

// Opens reporting for the run: the status window (Gui) or a console (Verbose), the log path,
// and a fresh log.
void StartReporting(HINSTANCE instance);

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
