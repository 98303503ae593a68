// Loading the engine libraries at run time (dlopen/dlsym/dlclose).
#pragma once

#include <string>

namespace platform {

using ModuleHandle = void*;

// "ZIPENG32.DLL" -> "libzipeng32.so": lower case, "lib" prefix, ".so" in place of ".dll".
std::string SharedObjectName(const std::string& libraryName);

// Folder of the running program, with no trailing "/".
std::string ProgramFolder();

// Looks for the library first in the program's own folder, then along the system's search path.
// Returns nullptr when no file is found or it cannot be loaded.
ModuleHandle LoadLibrary(const std::string& libraryName);

// nullptr when the module has no such symbol.
void* GetProcAddress(ModuleHandle module, const char* symbol);

void FreeLibrary(ModuleHandle module);

// Kept for the shape of the loading sequence; Linux shows no box of its own on a failed load.
unsigned SetErrorMode(unsigned mode);

}  // namespace platform
