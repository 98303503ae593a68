#include "mainform/command_line.h"

QString JoinCommandLine(const QStringList& arguments) {
  QString joined;
  for (int index = 1; index <= 8 && index < arguments.size(); ++index) joined += arguments[index];
  return joined;
}
