#include "prerequisites/pinned_files.h"

#include <vector>

namespace orbalt {
namespace {

struct CheckedFile {
    std::wstring path;
    UniqueHandle hold; // empty for a refused file
    bool refused = false;
};

// Process-wide and driver-thread only, like the rest of a run's state. Two entries at most.
std::vector<CheckedFile>& CheckedFiles() {
    static std::vector<CheckedFile> files;
    return files;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

CheckedFile* Find(const std::wstring& path) {
    for (CheckedFile& file : CheckedFiles()) {
        if (SamePath(file.path, path)) {
            return &file;
        }
    }
    return nullptr;
}

} // namespace

UniqueHandle OpenHeld(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

void HoldVerifiedFile(const std::wstring& path, UniqueHandle handle) {
    ForgetCheckedFile(path);
    CheckedFiles().push_back({path, std::move(handle), false});
}

void MarkFileRefused(const std::wstring& path) {
    ForgetCheckedFile(path);
    CheckedFiles().push_back({path, UniqueHandle(), true});
}

bool IsFileRefused(const std::wstring& path) {
    const CheckedFile* file = Find(path);
    return file != nullptr && file->refused;
}

void CloseVerifiedFile(const std::wstring& path) {
    if (CheckedFile* file = Find(path); file != nullptr && !file->refused) {
        ForgetCheckedFile(path);
    }
}

void ForgetCheckedFile(const std::wstring& path) {
    auto& files = CheckedFiles();
    for (auto it = files.begin(); it != files.end();) {
        it = SamePath(it->path, path) ? files.erase(it) : it + 1;
    }
}

void ForgetCheckedFiles() {
    CheckedFiles().clear();
}

} // namespace orbalt
