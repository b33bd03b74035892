// Prerequisites an administrator placed beside the installer, so that machines without the
// internet need not download them: which file stands for a download, and when it is used.
#pragma once

#include <string>

namespace orbalt {

// The name the file beside the installer has for the download from `url`: the last segment of
// the address's path, as written (no query, no fragment, escapes kept). Empty when the address
// has no path or the segment is no name Windows could give a file in a folder.
std::wstring LocalCopyName(const std::wstring& url);

enum class LocalCopy { Absent, Unpinned, Unreadable, Mismatch, Used };

// What becomes of the file beside the installer, from what the run learns of it in this order:
// whether it is there (a file, not a folder), whether a digest is pinned for its address (no
// digest, no trust: it is not even read), whether it could be copied into the working folder, and
// whether that copy has the pinned digest. Only Used spares the download.
LocalCopy JudgeLocalCopy(bool found, bool pinned, bool copied, bool matches);

} // namespace orbalt
