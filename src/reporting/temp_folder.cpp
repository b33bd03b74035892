#include "reporting/temp_folder.h"

namespace orbalt {

std::int32_t TempPathRefusal(const std::wstring& path) {
    auto isLetter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
    bool drive = path.size() >= 3 && isLetter(path[0]) && path[1] == L':' && path[2] == L'\\';
    bool share = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    return drive || share ? 0 : kBadPath;
}

std::int32_t TempFolderRefusal(std::uint32_t attributes) {
    if (attributes == kInvalidFileAttributes || (attributes & kAttributeDirectory) == 0) {
        return kNotAFolder;
    }
    return (attributes & kAttributeReparsePoint) != 0 ? kStoppedOnLink : 0;
}

std::int32_t TempFileRefusal(std::uint32_t attributes) {
    return attributes != kInvalidFileAttributes && (attributes & kAttributeReparsePoint) != 0 ? kStoppedOnLink
                                                                                              : 0;
}

} // namespace orbalt
