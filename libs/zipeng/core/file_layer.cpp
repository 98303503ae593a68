#include "core/file_layer.h"

#include <fcntl.h>
#include <unistd.h>

namespace zipeng {

ssize_t FileLayer::write(int fd, const void* data, size_t size) {
  return ::write(fd, data, size);
}
ssize_t FileLayer::pwrite(int fd, const void* data, size_t size, off_t offset) {
  return ::pwrite(fd, data, size, offset);
}
int FileLayer::fsync(int fd) {
  return ::fsync(fd);
}
int FileLayer::ftruncate(int fd, off_t length) {
  return ::ftruncate(fd, length);
}
ssize_t FileLayer::copyFileRange(int from, off_t* fromOffset, int to, off_t* toOffset, size_t length) {
  return ::copy_file_range(from, fromOffset, to, toOffset, length, 0);
}

namespace {
FileLayer realLayer;
FileLayer* current = &realLayer;
}  // namespace

FileLayer& fileLayer() {
  return *current;
}
void setFileLayer(FileLayer* layer) {
  current = layer ? layer : &realLayer;
}

}  // namespace zipeng
