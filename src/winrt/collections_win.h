// Walking the package sequences that PackageManager's queries return.
#pragma once

#include "core/win.h"
#include "winrt/abi_win.h"

namespace orbalt {

// Visits the packages in the order Windows gives them until `visit` answers true; answers
// whether it stopped early. Failing calls are raised.
template <typename Visit> bool ForEachPackage(abi::IIterablePackage* packages, Visit visit) {
    ComPtr<abi::IIteratorPackage> iterator;
    ThrowIfFailed(packages->First(iterator.put()));
    boolean hasCurrent = 0;
    ThrowIfFailed(iterator->get_HasCurrent(&hasCurrent));
    for (; hasCurrent != 0; ThrowIfFailed(iterator->MoveNext(&hasCurrent))) {
        ComPtr<abi::IPackage> package;
        ThrowIfFailed(iterator->get_Current(package.put()));
        if (visit(package)) {
            return true;
        }
    }
    return false;
}

} // namespace orbalt
