#include "platform/progman/server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <memory>
#include <vector>

#include "platform/dde_endpoint.h"
#include "platform/progman/command_lines.h"
#include "platform/progman/conversation.h"

namespace progman {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxPeers = 16;
constexpr char kCarriedOut[] = "+\r\n";
constexpr char kRefused[] = "-\r\n";

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

struct Peer {
  Peer(int descriptor, const MenuFolders& folders) : fd(descriptor), conversation(folders) {}
  ~Peer() { close(fd); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  int fd;
  bool gone = false;  // hung up
  bool deaf = false;  // does not take its answers (any more)
  Clock::time_point lastHeard = Clock::now();
  CommandLineSplitter splitter;
  Conversation conversation;
};

// Sends all of `text` without waiting; false when the peer is gone or does not take its answers.
bool SendNow(int fd, std::string_view text) {
  const ssize_t sent = send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  return sent == static_cast<ssize_t>(text.size());
}

// Only a peer of this very user gets a conversation.
bool IsSameUser(int fd) {
  ucred credentials{};
  socklen_t length = sizeof(credentials);
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
         length == sizeof(credentials) && credentials.uid == geteuid();
}

class Loop {
 public:
  Loop(ServiceSocket& socket, const MenuFolders& folders, const ServerTimes& times)
      : socket_(socket), folders_(folders), times_(times) {}

  void Run(const sigset_t& waitMask) {
    Clock::time_point idleSince = Clock::now();
    bool withdrawn = false;
    while (!stopRequested) {
      const Clock::time_point now = Clock::now();
      if (peers_.empty() && withdrawn) break;
      if (peers_.empty() && now - idleSince >= times_.idle) {
        // Take the name away first, then serve whoever was already waiting.
        socket_.Withdraw();
        withdrawn = true;
        AcceptWaiting();
        continue;
      }
      std::vector<pollfd> fds;
      const bool listening = !withdrawn && peers_.size() < kMaxPeers;
      if (listening) fds.push_back({socket_.Descriptor(), POLLIN, 0});
      for (const auto& peer : peers_) fds.push_back({peer->fd, POLLIN, 0});
      const timespec timeout = ToTimespec(NextDeadline(idleSince) - now);
      if (ppoll(fds.data(), fds.size(), &timeout, &waitMask) < 0 && errno != EINTR) break;
      std::size_t at = 0;
      if (listening && (fds[at++].revents & POLLIN)) AcceptWaiting();
      // Peers accepted just now come after the ones polled, so indexes still match.
      for (std::size_t i = 0; at < fds.size(); ++at, ++i)
        if (fds[at].revents != 0) Hear(*peers_[i]);
      DropSilentAndGone();
      if (peers_.empty() && hadPeers_) idleSince = Clock::now();
      hadPeers_ = !peers_.empty();
    }
  }

 private:
  Clock::time_point NextDeadline(Clock::time_point idleSince) const {
    if (peers_.empty()) return idleSince + times_.idle;
    Clock::time_point deadline = Clock::time_point::max();
    for (const auto& peer : peers_) deadline = std::min(deadline, peer->lastHeard + times_.silence);
    return deadline;
  }

  static timespec ToTimespec(Clock::duration left) {
    const auto ms =
        std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(left).count()) + 1;
    return timespec{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  }

  void AcceptWaiting() {
    while (peers_.size() < kMaxPeers) {
      const int fd = accept4(socket_.Descriptor(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        return;
      }
      auto peer = std::make_unique<Peer>(fd, folders_);
      if (!IsSameUser(fd) || !SendNow(fd, platform::kDdeGreeting)) continue;  // closed without a word
      peers_.push_back(std::move(peer));
    }
  }

  void Hear(Peer& peer) {
    char buffer[4096];
    const ssize_t got = recv(peer.fd, buffer, sizeof(buffer), MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (got <= 0) {
      peer.gone = true;
      return;
    }
    peer.lastHeard = Clock::now();
    for (const CommandLine& line : peer.splitter.Feed({buffer, static_cast<std::size_t>(got)})) {
      const bool carriedOut = !line.tooLong && peer.conversation.Execute(line.text);
      // Clients do not wait for answers and may hang up right after their last command: what
      // they sent is still carried out, only the answers stop.
      if (!peer.deaf && !SendNow(peer.fd, carriedOut ? kCarriedOut : kRefused)) peer.deaf = true;
    }
  }

  void DropSilentAndGone() {
    const Clock::time_point now = Clock::now();
    std::erase_if(peers_,
                  [&](const auto& peer) { return peer->gone || now - peer->lastHeard >= times_.silence; });
  }

  ServiceSocket& socket_;
  const MenuFolders& folders_;
  const ServerTimes& times_;
  std::vector<std::unique_ptr<Peer>> peers_;
  bool hadPeers_ = false;
};

}  // namespace

void Serve(ServiceSocket& socket, const MenuFolders& folders, const ServerTimes& times) {
  // The stop signals stay blocked except while waiting, so none slips in between a check and a wait.
  sigset_t stopSignals, waitMask;
  sigemptyset(&stopSignals);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stopSignals, signal);
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    sigdelset(&waitMask, signal);
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(signal, &action, nullptr);
  }
  std::signal(SIGPIPE, SIG_IGN);
  Loop(socket, folders, times).Run(waitMask);
  socket.Close();
}

}  // namespace progman
