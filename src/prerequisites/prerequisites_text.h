// The decisions of the prerequisites adapters that need no Windows: texts of the log lines, the
// checker's arguments, the progress arithmetic and which pinned digest a download must match.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orbalt {

// The minimum .NET Desktop Runtime; the one source of the version in the check's lines and
// arguments.
inline constexpr wchar_t RequiredDotNetVersion[] = L"8.0.0";

// " -N Microsoft.WindowsDesktop.App -v 8.0.0": the leading blank leaves the checker's own name
// empty, so that its first argument is "-N".
std::wstring DotNetCheckArguments();

// Share of the current file in percent, downloaded or copied: received / expected * 100, or 0 when
// nothing is expected.
double DownloadPercent(std::uint64_t progress, std::uint64_t progressMax);

// Whether URLDownloadToFileW's result counts as a failed transfer: anything but S_OK, positive
// success codes included.
bool IsDownloadFailure(std::int32_t result);

std::wstring ProcessStartFailedLine(const std::wstring& path, const std::wstring& arguments);
// The outcome line of a finished child; no exit code means it could not be read.
std::wstring ProcessOutcomeLine(const std::wstring& path, const std::wstring& arguments,
                                std::optional<std::uint32_t> exitCode);

// An address whose file must have a pinned digest, and that digest (hex, either case).
struct PinnedDownload {
    std::wstring url;
    std::wstring sha512;
};

// The digest the download from `url` must have; empty when the address has none (or an empty
// one), so the file is taken as it comes.
std::wstring RequiredDigest(const std::wstring& url, const std::vector<PinnedDownload>& pinned);

// Lower-case hex of bytes.
std::wstring HexDigest(const unsigned char* bytes, std::size_t size);

// Whether a computed lower-case hex digest equals the pinned one (compared without regard to
// case; an empty or malformed pinned digest never matches).
bool DigestMatches(const std::wstring& computed, const std::wstring& pinned);

} // namespace orbalt
