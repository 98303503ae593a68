// The service loop: accepts conversations of this user only, answers each command line with
// "+\r\n" or "-\r\n", and stops after a while without any conversation. No client can hold it up:
// every socket is non-blocking and a conversation that stays silent too long is closed.
#pragma once

#include <chrono>

#include "platform/progman/menu_writer.h"
#include "platform/progman/service_socket.h"

namespace progman {

struct ServerTimes {
  std::chrono::milliseconds idle{10000};     // without conversations before the service stops
  std::chrono::milliseconds silence{60000};  // without a byte before a conversation is closed
};

// Serves on `socket` until idle or until SIGTERM, SIGINT or SIGHUP, then takes the socket away.
void Serve(ServiceSocket& socket, const MenuFolders& folders, const ServerTimes& times);

}  // namespace progman
