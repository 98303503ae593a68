// Where a DDE service of this desktop listens, and how its conversation runs. Shared by the
// client conversation (dde_client.*) and the ProgMan service program.
//
// The conversation, on a local stream socket:
//   - The service listens at <folder>/<service name>, where <folder> is
//     $XDG_RUNTIME_DIR/parcelix-dde, or, without XDG_RUNTIME_DIR, <cache folder>/parcelix-dde
//     ($XDG_CACHE_HOME or ~/.cache), where no other user can make it first.
//     The folder belongs to the user alone (mode 0700, owned by them, not a link); neither side
//     uses a folder that is not.
//   - On accepting a connection the service checks the peer's credentials; a peer of the same
//     user gets the greeting "OK\r\n", any other peer is disconnected without a word.
//   - Each execute transaction is one command text ending in "\r\n", at most 255 bytes with its
//     line end. The service answers each with "+\r\n" (carried out) or "-\r\n" (refused); the
//     client does not wait for the answer.
//   - The service stops by itself after a while without connections.
#pragma once

#include <string>

namespace platform {

inline constexpr std::size_t kDdeCommandLimit = 255;  // bytes of a command, line end included
inline constexpr char kDdeGreeting[] = "OK\r\n";

// The user's private folder for service sockets. With `create` a missing folder is made (mode
// 0700, with any missing parent). Empty when there is none or when the one there is not safe to use (another
// owner, other permissions, a link).
std::string DdeSocketFolder(bool create);

// The socket of `service` in that folder; empty when the folder is not usable.
std::string DdeSocketPath(const std::string& service, bool create);

}  // namespace platform
