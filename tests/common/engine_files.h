// File and process helpers shared by the engine libraries' test suites: running a shell
// command, writing and reading files, and listing a folder tree for comparison.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace testkit {

// Runs a shell command and returns its exit status (-1 when it did not exit). With `output`,
// its standard output and error are caught there; otherwise they go where the test's go.
int sh(const std::string& command, std::string* output = nullptr);
bool haveTool(const std::string& name);

// Writes a file (and the folders above it), with its permission bits and, when `mtime` is not
// negative, its modification time.
void writeFile(const std::string& path, const std::string& content, int64_t mtime = -1, mode_t mode = 0644);
std::string readFile(const std::string& path);
bool exists(const std::string& path);  // lstat: links count, even dangling ones
bool isSymlink(const std::string& path);

// Bytes that do not compress, and text that does, the same for the same seed.
std::string randomBytes(size_t n, uint32_t seed);
std::string textBytes(size_t n, uint32_t seed);

// Every file, folder and link under `root` by relative path: "D" for a folder, "L:target" for a
// link, "F:size:crc32" for a file. What extraction must reproduce, whatever the times and modes.
std::map<std::string, std::string> snapshotTree(const std::string& root);
// The same tree with permissions and times: "dir MODE" under "name/", "file MODE SIZE MTIME HASH".
// What an update in place must leave untouched.
std::map<std::string, std::string> treeListing(const std::string& root);

}  // namespace testkit
