#include "core/win.h"
#include "prerequisites/prerequisites.h"
#include "reporting/reporting.h"

namespace orbalt {

std::wstring ExtractResource(std::wstring name, std::wstring type) {
    std::wstring path = GetTempFolder() + name + L"." + type;
    LogLine(L"[Resource Extractor] Attempting to extract " + name + L" to a temporary location (" + path +
            L")...");
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, name.c_str(), type.c_str());
    if (info == nullptr) {
        ThrowLastError();
    }
    HGLOBAL loaded = LoadResource(module, info);
    if (loaded == nullptr) {
        ThrowLastError();
    }
    DWORD size = SizeofResource(module, info);
    // The bytes stay where the loader mapped them: tens of megabytes go to the file in one write,
    // never through a buffer of ours.
    const void* bytes = LockResource(loaded);
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file) {
        ThrowLastError();
    }
    DWORD written = 0;
    WriteFile(file.get(), bytes, size, &written, nullptr);
    file.reset();
    FreeResource(loaded);
    return path;
}

} // namespace orbalt
