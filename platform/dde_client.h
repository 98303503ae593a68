// The client end of a conversation with a desktop service such as "ProgMan" (see
// dde_endpoint.h for where services listen and how the conversation runs).
#pragma once

#include <QByteArray>
#include <QList>
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
  // needed. Returns at once: true when the command was handed over, not that it was carried out
  // (Results tells that). A command holding a line end is not sent: it would arrive as two.
  bool ExecuteMacro(const QString& Command);
  // For each ExecuteMacro call since the last Results, in order: whether the service carried the
  // command out. Waits for the answers still due, never more than a few seconds without one; a
  // command that was not handed over or got no answer counts as not carried out.
  QList<bool> Results();
  void CloseLink();
  bool Connected() const { return FSocket >= 0; }

  // The command as it travels: the text and "\r\n", cut to the limit without splitting a
  // character. When the cut takes the line end, one follows anyway: the cut command then ends
  // where it was cut (and is refused as too long) instead of running into the next one.
  static QByteArray CommandBytes(const QString& Command);
  // Whether the command (with its line end) is over the limit, so it travels cut.
  static bool IsCut(const QString& Command);

 private:
  bool Connect(int waitMs);
  bool StartService();
  bool TakeAnswers(int waitMs);

  enum class TAnswer : char { Due, CarriedOut, NotCarriedOut };

  QString FService;
  QString FTopic;
  QString FProgramDir;
  int FSocket = -1;
  bool FStartTried = false;
  bool FGaveUp = false;
  QList<TAnswer> FAnswers;  // one per ExecuteMacro since the last Results
  QByteArray FAnswerBytes;  // the start of an answer not complete yet
};

}  // namespace platform
