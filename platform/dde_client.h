// The client end of a conversation with a desktop service such as "ProgMan" (see
// dde_endpoint.h for where services listen and how the conversation runs).
#pragma once

#include <QString>

#include "platform/dde_endpoint.h"

namespace platform {

class TDdeClientConv {
 public:
  // ProgramDir: where the service's program lies, started when the service does not answer.
  TDdeClientConv(QString Service, QString Topic, QString ProgramDir);
  ~TDdeClientConv();
  TDdeClientConv(const TDdeClientConv&) = delete;
  TDdeClientConv& operator=(const TDdeClientConv&) = delete;

  // Connects to the service. When nobody answers, the command line "<service> <topic>" is run
  // from ProgramDir (once in the life of this object) and the connection tried again. False
  // when there is still none. Every wait is bounded (a few seconds in all), and once the service
  // could not be reached or did not take a command, later calls fail at once.
  bool OpenLink();
  // Sends one command (its line end added, the whole cut to 255 bytes), connecting first when
  // needed. Returns at once: true when the command was handed over, not that it was carried out.
  bool ExecuteMacro(const QString& Command);
  void CloseLink();
  bool Connected() const { return FSocket >= 0; }

  // The command as it travels: the text, "\r\n", cut to the limit without splitting a character.
  static QByteArray CommandBytes(const QString& Command);

 private:
  bool Connect(int waitMs);
  bool StartService();

  QString FService;
  QString FTopic;
  QString FProgramDir;
  int FSocket = -1;
  bool FStartTried = false;
  bool FGaveUp = false;
};

}  // namespace platform
