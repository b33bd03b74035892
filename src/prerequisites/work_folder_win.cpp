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
        folder =
            CreateAdminOnlyFolder(TempBasePath(WorkFolderBase(IsRunningAsSystem(), HasSystemOnlyTemp())));
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
