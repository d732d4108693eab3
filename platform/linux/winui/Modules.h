// The modules whose resources the resource calls read: the program's own and
// any loaded from .res bytes.
#pragma once

#include "ResourceFile.h"

#include <winuser.h>

namespace win32::detail {

// The entry `name` of type `type` in the module, or null; null `module` is the program.
const ResourceEntry* findResourceEntry(HMODULE module, LPCSTR name, LPCSTR type);
// The entry a handle from FindResourceA stands for, or null.
const ResourceEntry* entryOf(HRSRC resource);

} // namespace win32::detail
