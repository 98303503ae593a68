// The one listening socket of the service. Claiming it runs under a lock in the same private
// folder, so two services starting at once cannot both bind; a socket nobody listens on any more
// is replaced.
#pragma once

#include <string>

namespace progman {

enum class ClaimResult {
  Claimed,        // this process listens now
  AnotherServes,  // another service answers on the socket
  Failed,         // see the error text
};

class ServiceSocket {
 public:
  ServiceSocket() = default;
  ~ServiceSocket();
  ServiceSocket(const ServiceSocket&) = delete;
  ServiceSocket& operator=(const ServiceSocket&) = delete;

  ClaimResult Claim(const std::string& path, std::string& error);

  // The listening socket (non-blocking), or -1.
  int Descriptor() const { return listenFd_; }

  // Takes the socket's name away and lets the next service claim it. Connections already waiting
  // can still be accepted until Close.
  void Withdraw();
  void Close();

 private:
  bool Bind(std::string& error);

  std::string path_;
  int listenFd_ = -1;
  int lockFd_ = -1;
  unsigned long long device_ = 0, node_ = 0;  // the socket file this process made
};

}  // namespace progman
