#include "mainform/command_line.h"

#include <cstdio>

#include "parcelix_version.h"

namespace {

const QString kEndOfOptions = QStringLiteral("--");

// The terminal's encoding, as the arguments arrived in it.
void Print(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

}  // namespace

TCommandLine ParseCommandLine(const QStringList& Arguments) {
  TCommandLine result;
  bool optionsEnded = false;
  for (qsizetype index = 1; index < Arguments.size(); ++index) {
    const QString& word = Arguments[index];
    if (optionsEnded || !word.startsWith(kEndOfOptions)) {
      result.Names.append(word);
    } else if (word == kEndOfOptions) {
      optionsEnded = true;
    } else if (result.Action == TCommandLine::TAction::Open) {
      // The leftmost option decides, as with the tools; the later ones are not looked at.
      if (word == QLatin1String("--help")) {
        result.Action = TCommandLine::TAction::Help;
      } else if (word == QLatin1String("--version")) {
        result.Action = TCommandLine::TAction::Version;
      } else {
        result.Action = TCommandLine::TAction::Refuse;
        result.Refused = word;
      }
    }
  }
  return result;
}

QString CommandLineUsage() {
  return QStringLiteral("usage: parcelix [--help | --version] [--] [archive]\n");
}

QString CommandLineHelp() {
  return CommandLineUsage() +
         QStringLiteral(
             "Opens the ZIP archive named on the command line in the Parcelix window, or an empty window\n"
             "without one. The arguments (at most eight) are joined with nothing between them, so quote\n"
             "a name that holds blanks.\n"
             "\n"
             "  --help     show this help and exit\n"
             "  --version  show the version and exit\n"
             "  --         end of options: the arguments after it name the archive, even one that\n"
             "             begins with \"--\"\n");
}

QString CommandLineVersion() {
  return QStringLiteral("parcelix (Parcelix) " PARCELIX_VERSION "\n");
}

QStringList WindowArguments(const QStringList& Arguments) {
  return QStringList{Arguments.value(0)} + ParseCommandLine(Arguments).Names;
}

int AnswerCommandLine(const TCommandLine& CommandLine) {
  switch (CommandLine.Action) {
    case TCommandLine::TAction::Help:
      Print(stdout, CommandLineHelp());
      return 0;
    case TCommandLine::TAction::Version:
      Print(stdout, CommandLineVersion());
      return 0;
    case TCommandLine::TAction::Refuse:
      Print(stderr,
            QStringLiteral("parcelix: unknown option %1\n").arg(CommandLine.Refused) + CommandLineUsage());
      return kCommandLineUsageStatus;
    case TCommandLine::TAction::Open:
      break;
  }
  return -1;
}

QString JoinCommandLine(const QStringList& arguments) {
  QString joined;
  for (int index = 1; index <= 8 && index < arguments.size(); ++index) joined += arguments[index];
  return joined;
}
