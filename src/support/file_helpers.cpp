#include "support/file_helpers.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool CopyFileByStream(const std::string& source, const std::string& dest) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(source, error)) return false;
  if (std::filesystem::equivalent(source, dest, error)) return false;

  FilePtr in(std::fopen(source.c_str(), "rb"));
  if (!in) return false;
  FilePtr out(std::fopen(dest.c_str(), "wb"));
  if (!out) return false;

  char buffer[64 * 1024];
  for (;;) {
    const size_t got = std::fread(buffer, 1, sizeof buffer, in.get());
    if (got > 0 && std::fwrite(buffer, 1, got, out.get()) != got) return false;
    if (got < sizeof buffer) {
      if (std::ferror(in.get())) return false;
      break;
    }
  }
  // A write error may surface only when the buffered data reaches the disk.
  std::FILE* raw = out.release();
  return std::fclose(raw) == 0;
}

bool MoveFileReplacing(const std::string& source, const std::string& dest) {
  std::error_code error;
  std::filesystem::rename(source, dest, error);
  if (!error) return true;
  if (error != std::errc::cross_device_link) return false;
  if (!CopyFileByStream(source, dest)) return false;
  return std::filesystem::remove(source, error) && !error;
}
