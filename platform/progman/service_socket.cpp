#include "platform/progman/service_socket.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace progman {

namespace {

constexpr int kBacklog = 16;
// How long a starting service waits for another one that holds the lock while starting up or
// going away.
constexpr auto kLockWait = std::chrono::seconds(3);
constexpr auto kLockRetry = std::chrono::milliseconds(20);

bool FillAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Whether a service listens at `path`. A full backlog still counts as one listening.
bool Answers(const std::string& path) {
  sockaddr_un address;
  if (!FillAddress(path, address)) return false;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool connected =
      connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 || errno == EAGAIN;
  close(fd);
  return connected;
}

}  // namespace

ServiceSocket::~ServiceSocket() {
  Close();
}

ClaimResult ServiceSocket::Claim(const std::string& path, std::string& error) {
  path_ = path;
  if (Answers(path_)) return ClaimResult::AnotherServes;
  const std::string lockPath = path_ + ".lock";
  lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (lockFd_ < 0) {
    error = lockPath + ": " + std::strerror(errno);
    return ClaimResult::Failed;
  }
  const auto giveUp = std::chrono::steady_clock::now() + kLockWait;
  while (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      error = lockPath + ": " + std::strerror(errno);
      return ClaimResult::Failed;
    }
    if (Answers(path_)) return ClaimResult::AnotherServes;
    if (std::chrono::steady_clock::now() > giveUp) {
      error = lockPath + ": held by another service that does not answer";
      return ClaimResult::Failed;
    }
    std::this_thread::sleep_for(kLockRetry);
  }
  // The previous holder may have finished binding just before letting go.
  if (Answers(path_)) return ClaimResult::AnotherServes;
  return Bind(error) ? ClaimResult::Claimed : ClaimResult::Failed;
}

bool ServiceSocket::Bind(std::string& error) {
  sockaddr_un address;
  if (!FillAddress(path_, address)) {
    error = path_ + ": the name is too long for a socket";
    return false;
  }
  struct stat info {};
  if (lstat(path_.c_str(), &info) == 0) {
    // Nobody answers there: a socket left behind by a service that did not stop cleanly.
    if (!S_ISSOCK(info.st_mode) || unlink(path_.c_str()) != 0) {
      error = path_ + ": in the way of the service socket";
      return false;
    }
  }
  listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const mode_t oldMask = umask(0077);
  const bool bound =
      listenFd_ >= 0 && bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  umask(oldMask);
  if (!bound || listen(listenFd_, kBacklog) != 0 || lstat(path_.c_str(), &info) != 0) {
    error = path_ + ": " + std::strerror(errno);
    return false;
  }
  device_ = info.st_dev;
  node_ = info.st_ino;
  return true;
}

void ServiceSocket::Withdraw() {
  struct stat info {};
  if (node_ != 0 && lstat(path_.c_str(), &info) == 0 && info.st_dev == device_ && info.st_ino == node_)
    unlink(path_.c_str());
  node_ = 0;
  if (lockFd_ >= 0) close(lockFd_);
  lockFd_ = -1;
}

void ServiceSocket::Close() {
  Withdraw();
  if (listenFd_ >= 0) close(listenFd_);
  listenFd_ = -1;
}

}  // namespace progman
