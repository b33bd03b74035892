// The bytes of Installer.log, the texts reporting shows and where it shows them (portable).
#pragma once

#include <cstdint>
#include <string>

#include "core/state.h"

namespace orbalt {

inline constexpr wchar_t kLogPrefix[] = L"|LOG|: ";
inline constexpr wchar_t kErrorPrefix[] = L"|ERROR|: ";
inline constexpr wchar_t kInfoPrefix[] = L"|INFO|: ";

// One whole record: prefix and text, one byte per character (ISO 8859-1), every line feed as
// CR LF, closed by CR LF. A UTF-16 unit above U+00FF becomes the six characters \uXXXX, so a
// record is never cut short and never holds a byte that means something else.
std::string FormatLogRecord(const std::wstring& prefix, const std::wstring& text);

// Where reporting goes in an output mode. Gui has the status window: status texts are sent to it,
// notices come as message boxes with the window hidden, and the end closes it. Verbose has a
// console of its own, opened at the start, where status texts and notices are written and a key is
// waited for at the end. Silent has neither: status texts and notices go to a console that is not
// there.
struct ReportingChannels {
    bool statusWindow;
    bool ownConsole;
};
ReportingChannels ReportingChannelsOf(Mode mode);

// Whether a key event ends the wait at the end of a Verbose run, as the command processor's PAUSE
// does: a key pressed down that is not a modifier alone (Shift, Ctrl, Alt, Caps Lock, Num Lock,
// Scroll Lock, the Windows keys).
bool EndsKeyWait(bool keyDown, std::uint16_t virtualKey);

// The first record of a LocalSystem run that left the usual log folder as it found it (someone
// other than SYSTEM and the Administrators made it or may change it) and logs in a new one beside it.
std::wstring LogFolderSetAsideLine(const std::wstring& usual, const std::wstring& fresh);

// A notice: a failure (ReportError) or a result (ReportInfo).
enum class NoticeKind { Error, Info };

// Its message box: one OK button and the icon of its kind, MB_ICONERROR (0x10) or
// MB_ICONINFORMATION (0x40). Wine shows no test which icon a box has.
std::uint32_t NoticeBoxStyle(NoticeKind kind);

// Its record's prefix in the log.
const wchar_t* NoticePrefix(NoticeKind kind);

// "title - Reason: text", the body of notices on the console and in the log.
std::wstring NoticeBody(const std::wstring& title, const std::wstring& text);

// The status text for the progress of download `number` of `count` at `percent` of its own.
std::wstring ProgressText(std::int32_t count, std::int32_t number, double percent);

// How the log is opened for the user after a failure.
enum class LogOpener {
    None,          // not at all
    Association,   // the program the user associated with .log files
    SystemNotepad, // Notepad of the system folder: an elevated run never starts a program the
                   // user's own settings choose (HKCU\Software\Classes overrides the machine's)
};

// An elevated program on a desktop that is not its account's own is that account's rights in
// another person's hands (a file dialog opens anything): the elevated copy that a standard user
// got an administrator to approve, and LocalSystem, never open the log.
LogOpener ChooseLogOpener(Mode mode, Account account, bool ownsDesktop);

} // namespace orbalt
