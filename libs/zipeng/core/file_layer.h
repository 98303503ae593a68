// The system calls that change an archive on disk. Every write, flush, truncation and in-kernel
// copy of the writing side goes through this layer, so a test can put a failing one in its place
// and see what a full disk or a dying device does at any point of a change.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace zipeng {

class FileLayer {
 public:
  virtual ~FileLayer() = default;
  virtual ssize_t write(int fd, const void* data, size_t size);
  virtual ssize_t pwrite(int fd, const void* data, size_t size, off_t offset);
  virtual int fsync(int fd);
  virtual int ftruncate(int fd, off_t length);
  virtual ssize_t copyFileRange(int from, off_t* fromOffset, int to, off_t* toOffset, size_t length);
};

// The layer in use: the real system calls unless a test replaced them.
FileLayer& fileLayer();
// For tests: puts `layer` in place for the whole process; nullptr brings the real one back.
void setFileLayer(FileLayer* layer);

}  // namespace zipeng
