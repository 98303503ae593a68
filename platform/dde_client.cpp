#include "platform/dde_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/text_limits.h"

namespace platform {

namespace {

constexpr int kConnectWaitMs = 2000;   // for the connection and the greeting: a service that does not
                                       // take the connection, or takes it and says nothing, is not there
constexpr int kServiceStartMs = 3000;  // how long a started service may take to listen
constexpr int kSendWaitMs = 2000;      // a service that does not take its commands is not there either
constexpr int kAnswerWaitMs = 3000;    // for the next answer while answers are due
constexpr char kCarriedOut[] = "+\r\n";
constexpr char kRefused[] = "-\r\n";
constexpr qsizetype kAnswerSize = sizeof(kCarriedOut) - 1;

// Bounds how long a blocking connect (waiting while the service's backlog is full) or send waits.
bool SetSendWait(int socket, int waitMs) {
  const timeval wait{waitMs / 1000, (waitMs % 1000) * 1000};
  return setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof(wait)) == 0;
}

// Reads exactly `size` bytes within the time left; false on silence, end or error.
bool ReadExactly(int socket, char* buffer, std::size_t size, int waitMs) {
  QElapsedTimer clock;
  clock.start();
  std::size_t done = 0;
  while (done < size) {
    const int left = waitMs - static_cast<int>(clock.elapsed());
    if (left <= 0) return false;
    pollfd wanted{socket, POLLIN, 0};
    const int ready = poll(&wanted, 1, left);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t got = recv(socket, buffer + done, size - done, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace

TDdeClientConv::TDdeClientConv(QString Service, QString Topic, QString ProgramDir)
    : FService(std::move(Service)), FTopic(std::move(Topic)), FProgramDir(std::move(ProgramDir)) {}

TDdeClientConv::~TDdeClientConv() {
  CloseLink();
}

QByteArray TDdeClientConv::CommandBytes(const QString& Command) {
  QByteArray bytes =
      CutToBytes(Command + QStringLiteral("\r\n"), static_cast<int>(kDdeCommandLimit)).toUtf8();
  if (!bytes.endsWith("\r\n")) bytes += "\r\n";
  return bytes;
}

bool TDdeClientConv::IsCut(const QString& Command) {
  return (Command + QStringLiteral("\r\n")).toUtf8().size() > static_cast<qsizetype>(kDdeCommandLimit);
}

bool TDdeClientConv::Connect(int waitMs) {
  if (waitMs <= 0) return false;
  QElapsedTimer clock;
  clock.start();
  const std::string path = DdeSocketPath(FService.toStdString(), false);
  sockaddr_un address{};
  if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return false;
  char greeting[sizeof(kDdeGreeting) - 1];
  if (!SetSendWait(socket, waitMs) ||
      ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
      !ReadExactly(socket, greeting, sizeof(greeting), waitMs - static_cast<int>(clock.elapsed())) ||
      std::memcmp(greeting, kDdeGreeting, sizeof(greeting)) != 0 || !SetSendWait(socket, kSendWaitMs)) {
    ::close(socket);
    return false;
  }
  FSocket = socket;
  return true;
}

bool TDdeClientConv::StartService() {
  QString folder = FProgramDir;
  if (folder.endsWith(u'/')) folder.chop(1);
  const QString program = folder + u'/' + FService;
  if (!QFileInfo(program).isExecutable()) return false;
  // "<service> <topic>": an empty topic adds no argument.
  const QStringList arguments = FTopic.isEmpty() ? QStringList() : QStringList{FTopic};
  // The service outlives this program's output: it must not hold its terminal or pipes.
  QProcess service;
  service.setProgram(program);
  service.setArguments(arguments);
  service.setStandardInputFile(QProcess::nullDevice());
  service.setStandardOutputFile(QProcess::nullDevice());
  service.setStandardErrorFile(QProcess::nullDevice());
  return service.startDetached();
}

bool TDdeClientConv::OpenLink() {
  if (Connected()) return true;
  // A service that could not be reached, or did not take a command, is not waited for again at
  // every command: the window would freeze for each of them.
  if (FGaveUp) return false;
  if (Connect(kConnectWaitMs)) return true;
  // The program is started once per conversation.
  if (!FStartTried) {
    FStartTried = true;
    if (StartService()) {
      QElapsedTimer clock;
      clock.start();
      for (qint64 left; (left = kServiceStartMs - clock.elapsed()) > 0; QThread::msleep(50))
        if (Connect(static_cast<int>(std::min<qint64>(left, kConnectWaitMs)))) return true;
    }
  }
  FGaveUp = true;
  return false;
}

bool TDdeClientConv::ExecuteMacro(const QString& Command) {
  FAnswers.append(TAnswer::NotCarriedOut);
  if (Command.contains(u'\r') || Command.contains(u'\n')) return false;
  if (!OpenLink()) return false;
  const QByteArray bytes = CommandBytes(Command);
  qsizetype sent = 0;
  while (sent < bytes.size()) {
    // A service that went away must not end this program with a broken-pipe signal.
    const ssize_t wrote = ::send(FSocket, bytes.constData() + sent,
                                 static_cast<std::size_t>(bytes.size() - sent), MSG_NOSIGNAL);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      CloseLink();
      FGaveUp = true;
      return false;
    }
    sent += wrote;
  }
  FAnswers.back() = TAnswer::Due;
  return true;
}

bool TDdeClientConv::TakeAnswers(int waitMs) {
  pollfd wanted{FSocket, POLLIN, 0};
  const int ready = poll(&wanted, 1, waitMs);
  if (ready < 0) return errno == EINTR;
  if (ready == 0) return false;
  char buffer[256];
  const ssize_t got = ::recv(FSocket, buffer, sizeof(buffer), MSG_DONTWAIT);
  if (got < 0) return errno == EAGAIN || errno == EINTR;
  if (got == 0) return false;
  FAnswerBytes.append(buffer, got);
  for (; FAnswerBytes.size() >= kAnswerSize; FAnswerBytes.remove(0, kAnswerSize)) {
    // Answers come in the order of the commands.
    const qsizetype due = FAnswers.indexOf(TAnswer::Due);
    const QByteArray answer = FAnswerBytes.left(kAnswerSize);
    if (due < 0 || (answer != kCarriedOut && answer != kRefused)) return false;
    FAnswers[due] = answer == kCarriedOut ? TAnswer::CarriedOut : TAnswer::NotCarriedOut;
  }
  return true;
}

QList<bool> TDdeClientConv::Results() {
  while (Connected() && FAnswers.contains(TAnswer::Due)) {
    if (!TakeAnswers(kAnswerWaitMs)) {
      CloseLink();
      FGaveUp = true;
    }
  }
  QList<bool> results;
  for (const TAnswer answer : FAnswers) results.append(answer == TAnswer::CarriedOut);
  FAnswers.clear();
  return results;
}

void TDdeClientConv::CloseLink() {
  if (FSocket < 0) return;
  // Answers that have arrived still count; those still due never will.
  while (FAnswers.contains(TAnswer::Due) && TakeAnswers(0)) {
  }
  std::replace(FAnswers.begin(), FAnswers.end(), TAnswer::Due, TAnswer::NotCarriedOut);
  FAnswerBytes.clear();
  ::close(FSocket);
  FSocket = -1;
}

}  // namespace platform
