#include "mainform/command_line.h"

#include <cstdio>

#include "parcelix_version.h"

namespace {

const QString kEndOfOptions = QStringLiteral("--");

struct TNamedAction {
  const char* Option;
  TCommandLine::TAction Action;
};
const TNamedAction kActions[] = {
    {"--extract-here", TCommandLine::TAction::ExtractHere},
    {"--extract-to", TCommandLine::TAction::ExtractTo},
    {"--compress", TCommandLine::TAction::Compress},
};

bool IsAction(TCommandLine::TAction action) {
  for (const TNamedAction& named : kActions)
    if (named.Action == action) return true;
  return false;
}

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
      result.Action = TCommandLine::TAction::Refuse;
      if (word == QLatin1String("--help")) result.Action = TCommandLine::TAction::Help;
      if (word == QLatin1String("--version")) result.Action = TCommandLine::TAction::Version;
      for (const TNamedAction& named : kActions)
        if (word == QLatin1String(named.Option)) result.Action = named.Action;
      if (result.Action == TCommandLine::TAction::Refuse) result.Refused = word;
    } else if (IsAction(result.Action)) {
      // An action works on files: a second option would be taken for one or dropped.
      result.Action = TCommandLine::TAction::Refuse;
      result.Refused = word;
    }
  }
  if (IsAction(result.Action) && result.Names.isEmpty()) {
    for (const TNamedAction& named : kActions)
      if (named.Action == result.Action) result.Refused = QLatin1String(named.Option);
    result.Action = TCommandLine::TAction::Refuse;
    result.NamesMissing = true;
  }
  return result;
}

QString CommandLineUsage() {
  return QStringLiteral(
      "usage: parcelix [--help | --version] [--] [archive]\n"
      "       parcelix --extract-here | --extract-to [--] archive...\n"
      "       parcelix --compress [--] file...\n");
}

QString CommandLineHelp() {
  return CommandLineUsage() +
         QStringLiteral(
             "Opens the ZIP archive named on the command line in the Parcelix window, or an empty window\n"
             "without one. The arguments (at most eight) are joined with nothing between them, so quote\n"
             "a name that holds blanks.\n"
             "\n"
             "\n"
             "  --help          show this help and exit\n"
             "  --version       show the version and exit\n"
             "  --extract-here  extract each archive beside it, into a folder named after it (or,\n"
             "                  when all its entries lie in one folder of that name, that folder);\n"
             "                  a name that is taken gets a number: \"NAME (2)\"\n"
             "  --extract-to    ask for a folder, then extract each archive into it the same way\n"
             "  --compress      make one ZIP archive of the files and folders, beside the first,\n"
             "                  named after it (after their folder when there are several); asks\n"
             "                  for a name only when that one is taken\n"
             "  --              end of options: the arguments after it are names, even one that\n"
             "                  begins with \"--\"\n"
             "\n"
             "The three actions take each argument as one name, show their progress with Abort,\n"
             "report problems in a message box and exit with status 0 when all went well, 1 when\n"
             "some entries or files were left out (or there was nothing to do), 2 for a command\n"
             "line that was refused, 3 when an archive could not be extracted or made, 4 when\n"
             "the user stopped (Abort, or a question cancelled).\n");
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
      Print(stderr, (CommandLine.NamesMissing ? QStringLiteral("parcelix: %1 needs at least one name\n")
                                              : QStringLiteral("parcelix: unknown option %1\n"))
                            .arg(CommandLine.Refused) +
                        CommandLineUsage());
      return kCommandLineUsageStatus;
    case TCommandLine::TAction::Open:
    case TCommandLine::TAction::ExtractHere:
    case TCommandLine::TAction::ExtractTo:
    case TCommandLine::TAction::Compress:
      break;
  }
  return -1;
}

QString JoinCommandLine(const QStringList& arguments) {
  QString joined;
  for (int index = 1; index <= 8 && index < arguments.size(); ++index) joined += arguments[index];
  return joined;
}
