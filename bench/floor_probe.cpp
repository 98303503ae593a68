// floor_probe: the file system's floor for extracting many small files. It creates the files a
// manifest lists, with their bytes, in the fewest system calls, on every core: the folders first,
// then each thread its own folders' files (one folder descriptor each, then open, write and close
// per file; no times, no modes). speed_bench.sh times it beside the extractors.
//
// Usage: floor_probe MANIFEST OUT_DIR
// MANIFEST: for each file, its relative path, a NUL byte, its size as 8 bytes little-endian, then
// its bytes (speed_bench.sh writes it from the archive with Python's zipfile, untimed).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

struct File {
  std::string leaf;
  const char* data;
  size_t size;
};

int fail(const std::string& what) {
  std::perror(what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: floor_probe MANIFEST OUT_DIR\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string manifest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return fail(argv[1]);

  // Files grouped by folder, in the manifest's order of folders.
  std::map<std::string, std::vector<File>> folders;
  for (size_t at = 0; at < manifest.size();) {
    const size_t end = manifest.find('\0', at);
    if (end == std::string::npos || end + 9 > manifest.size()) return fail("damaged manifest");
    const std::string path = manifest.substr(at, end - at);
    uint64_t size = 0;
    std::memcpy(&size, manifest.data() + end + 1, 8);
    at = end + 9;
    if (size > manifest.size() - at) return fail("damaged manifest");
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    folders[folder].push_back({path.substr(slash + 1), manifest.data() + at, static_cast<size_t>(size)});
    at += size;
  }

  const std::string out = argv[2];
  std::vector<std::string> names;
  std::vector<const std::vector<File>*> files;
  for (const auto& entry : folders) {
    const std::string& folder = entry.first;
    // Each level once; the map's order puts a parent before its children.
    for (size_t slash = folder.find('/'); !folder.empty(); slash = folder.find('/', slash + 1)) {
      const std::string level = out + "/" + folder.substr(0, slash);
      if (mkdir(level.c_str(), 0755) != 0 && errno != EEXIST) return fail(level);
      if (slash == std::string::npos) break;
    }
    names.push_back(folder);
    files.push_back(&entry.second);
  }

  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> workers;
  std::vector<int> failed(threads, 0);
  for (unsigned t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      for (size_t i = t; i < names.size(); i += threads) {
        const std::string dir = names[i].empty() ? out : out + "/" + names[i];
        const int dirfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirfd < 0) {
          failed[t] = 1;
          return;
        }
        for (const File& f : *files[i]) {
          const int fd = openat(dirfd, f.leaf.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
          if (fd < 0 || (f.size && write(fd, f.data, f.size) != static_cast<ssize_t>(f.size))) failed[t] = 1;
          if (fd >= 0) close(fd);
        }
        close(dirfd);
      }
    });
  for (std::thread& worker : workers) worker.join();
  for (int f : failed)
    if (f) return fail("creating the files");
  return 0;
}
