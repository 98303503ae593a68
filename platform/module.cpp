#include "module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>

namespace platform {

std::string SharedObjectName(const std::string& libraryName) {
  std::string name = libraryName;
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0) name.resize(name.size() - 4);
  if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) name.resize(name.size() - 3);
  if (name.rfind("lib", 0) != 0) name = "lib" + name;
  return name + ".so";
}

std::string ProgramFolder() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return ".";
  std::string path(buffer, static_cast<size_t>(length));
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".")
                                    : (slash == 0 ? std::string("/") : path.substr(0, slash));
}

ModuleHandle LoadLibrary(const std::string& libraryName) {
  const std::string file = SharedObjectName(libraryName);
  const std::string beside = ProgramFolder() + "/" + file;
  if (access(beside.c_str(), F_OK) == 0) {
    if (void* handle = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
  }
  return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* GetProcAddress(ModuleHandle module, const char* symbol) {
  return module ? dlsym(module, symbol) : nullptr;
}

void FreeLibrary(ModuleHandle module) {
  if (module) dlclose(module);
}

unsigned SetErrorMode(unsigned) {
  return 0;
}

}  // namespace platform
