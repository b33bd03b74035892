// Ids of parameterized Windows Runtime interfaces (IVector<Package> and the like), derived from
// their type signatures as the type system defines it: a name-based UUID (version 5, SHA-1) in
// the Windows Runtime's own namespace. Windows offers RoGetParameterizedTypeInstanceIID for
// this, but Wine only stubs it, and the ids must be right before anything runs.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "winrt/guid.h"

namespace orbalt {

Guid ParameterizedIid(std::string_view signature);

// Pieces of the signature grammar.
std::string InterfaceSignature(const Guid& iid);                                  // {iid}
std::string RuntimeClassSignature(std::string_view name, const Guid& defaultIid); // rc(name;{iid})
std::string PinterfaceSignature(const Guid& genericIid, std::initializer_list<std::string_view> arguments);

} // namespace orbalt
