// ProgMan: carries out the program group commands of Parcelix on the user's applications menu.
// Parcelix starts it when nobody answers on the service socket; it stops by itself when idle.
#include <cstdio>
#include <string>

#include "platform/dde_endpoint.h"
#include "platform/progman/menu_writer.h"
#include "platform/progman/options.h"
#include "platform/progman/server.h"
#include "platform/progman/service_socket.h"

namespace {

constexpr char kServiceName[] = "ProgMan";

int Fail(const std::string& message, int status) {
  std::fprintf(stderr, "ProgMan: %s\n", message.c_str());
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto times = progman::ParseOptions(argc, argv, error);
  if (!times) return Fail(error + "\nusage: ProgMan [--idle-ms MILLISECONDS]", 2);
  const auto folders = progman::UserMenuFolders();
  if (!folders) return Fail("cannot tell where the applications menu lives: HOME is not set", 1);
  const std::string path = platform::DdeSocketPath(kServiceName, true);
  if (path.empty())
    return Fail(
        "no private folder for the service socket (it must be a folder of this user alone, mode 0700)", 1);
  progman::ServiceSocket socket;
  switch (socket.Claim(path, error)) {
    case progman::ClaimResult::AnotherServes:
      return 0;
    case progman::ClaimResult::Failed:
      return Fail(error, 1);
    case progman::ClaimResult::Claimed:
      break;
  }
  progman::Serve(socket, *folders, *times);
  return 0;
}
