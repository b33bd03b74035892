#include "core/account.h"
#include "core/held_folder_win.h"
#include "prerequisites/pinned_files.h"
#include "prerequisites/prerequisites.h"

namespace orbalt {
namespace {

// Process-wide and driver-thread only, like the rest of a run's state.
HeldFolder& WorkFolder() {
    static HeldFolder folder;
    return folder;
}

} // namespace

std::wstring GetWorkFolder() {
    HeldFolder& folder = WorkFolder();
    if (!folder.handle) {
        // The system's temp folder, found through no variable: opened as Windows resolves it.
        const FolderPlan plan = PlanFolder(RunFolder::Work, ProcessAccount(), HasSystemOnlyTemp());
        const std::wstring base = TempBasePath(plan.base);
        UniqueHandle parent(CreateFileW(base.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!parent) {
            ThrowLastError();
        }
        folder = MakeUnguessableFolderIn({base, std::move(parent)}, L"", plan.made);
    }
    return folder.path;
}

void RemoveWorkFolder() {
    HeldFolder& folder = WorkFolder();
    if (!folder.handle) {
        return;
    }
    ForgetCheckedFiles();
    folder.handle.reset();
    RemoveFolderTree(folder.path);
    folder.path.clear();
}

} // namespace orbalt
