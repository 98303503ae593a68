// The program's command line: --help and --version, answered on the terminal before any window
// is made; the three file-manager actions, each with the files it works on; and the archive the
// window opens, named by the other arguments.
#pragma once

#include <QString>
#include <QStringList>

struct TCommandLine {
  enum class TAction {
    Open,         // start the window; Names may name an archive
    Help,         // --help: the usage on standard output
    Version,      // --version: the name and version on standard output
    Refuse,       // an option that is not known: a usage line on standard error
    ExtractHere,  // --extract-here ARCHIVE...: each archive into a folder beside it
    ExtractTo,    // --extract-to ARCHIVE...: each archive into a folder the user picks
    Compress,     // --compress FILE...: one archive of the files, beside the first
  };
  TAction Action = TAction::Open;
  // The arguments that name the archive: every one but the options and the first "--", which
  // ends the options so that a name beginning with "--" can follow it.
  QStringList Names;
  QString Refused;            // the refused option, for Refuse
  bool NamesMissing = false;  // Refuse: the option is known but names no file
};

// Reads Arguments, the program's name first. The first of --help, --version, an action or an
// unknown option (any other word that begins with "--") before "--" decides; without one, the
// window opens. After an action, every other "--" word before "--" is refused, and so is an
// action without a name: nothing is dropped or guessed when a file manager calls.
TCommandLine ParseCommandLine(const QStringList& Arguments);

// What --help prints, what --version prints, and the usage line after a refused option.
QString CommandLineHelp();
QString CommandLineVersion();
QString CommandLineUsage();

// The exit status of a refused option, as the tools use it.
inline constexpr int kCommandLineUsageStatus = 2;

// What the window is given: the program's name and the Names of Arguments.
QStringList WindowArguments(const QStringList& Arguments);

// Prints the answer for Help, Version and Refuse and returns the exit status; -1 for Open and
// the actions.
int AnswerCommandLine(const TCommandLine& CommandLine);

// Joins the first eight arguments after the program's name with nothing between them, so a
// name that the shell split at a blank arrives whole. A ninth argument and later are ignored.
QString JoinCommandLine(const QStringList& arguments);
