#include "command_line.h"

#include <cctype>
#include <cstring>
#include <string_view>
#include <utility>

namespace cli {

const Syntax kUnzengSyntax = {
    "unzeng",
    "vtzfujno!",
    false,
    "",
    "-d -O",
    "-i -x",
    "-d",
    false,
    "[-P PASSWORD|-] [SWITCHES...] ARCHIVE [NAMES...] [-x PATTERNS...] [-d DIR] [-- NAMES...]",
    "Lists, tests and extracts the entries of a ZIP archive with the Parcelix decompression library.\n"
    "\n"
    "  -P PASSWORD  the password; other users can see it in the process list\n"
    "  -P -         read the password from the terminal without echo, or as one line\n"
    "               of standard input when that is not a terminal\n"
    "  -v           list the entries\n"
    "  -t           test the entries\n"
    "  -z           show the archive comment\n"
    "  -f           freshen: only files that exist and are older\n"
    "  -u           update: files that are older or missing\n"
    "  -j           junk paths: every file into the folder itself\n"
    "  -n, -o       never, always replace an existing file\n"
    "  -!           the archive is the last file of a spanned set\n"
    "  -d DIR       extract into DIR\n"
    "  -O CHARSET   names stored without the UTF-8 flag are in this code page (as iconv\n"
    "               names it: CP866, CP932, ...); found from the names when not given\n"
    "  -x PATTERNS  leave out the entries that match\n"
    "  -i PATTERNS  take the entries that match again\n"
    "  --           every word after it is a name\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "One line per message of the library, then \"result N\"; the exit status is N / 10.\n"
    "See unzeng(1).\n",
};

const Syntax kZipengSyntax = {
    "zipeng",
    "fudFozemSD$rjg!&",
    true,
    "-FF --aes=128 --aes=256",
    "-b -n -t -O",
    "-i -x",
    "",
    true,
    "[-P PASSWORD|-] [-c COMMENT] [SWITCHES...] ARCHIVE [NAMES...] [-i/-x PATTERNS...] [-- NAMES...]",
    "Adds, updates, removes and repairs entries of a ZIP archive with the Parcelix compression library.\n"
    "\n"
    "  -P PASSWORD  the password for -e; other users can see it in the process list\n"
    "  -P -         read the password from the terminal without echo, or as one line\n"
    "               of standard input when that is not a terminal\n"
    "  -c COMMENT   the new archive comment for -z\n"
    "  -f, -u       freshen, update entries from newer files\n"
    "  -d           delete the named entries\n"
    "  -F, -FF      repair the archive, thoroughly with -FF\n"
    "  -o           give the archive the time of its newest entry\n"
    "  -z           replace the archive comment\n"
    "  -0 .. -9     compression level (0 stores)\n"
    "  -e           encrypt the added files (the traditional way, for old unzip programs)\n"
    "  --aes=256    with -e: encrypt with AES, 256-bit keys (--aes=128: 128-bit keys)\n"
    "  -m           move: delete the files once stored\n"
    "  -r           recurse into folders\n"
    "  -S           take hidden files too\n"
    "  -D           store folder entries\n"
    "  -j           junk paths: store names without folders\n"
    "  -g           grow the archive in place\n"
    "  -b DIR       the folder for the temporary copy\n"
    "  -n EXTS      store these extensions (\"jpg;png\") without compression\n"
    "  -t MMDDYY    leave out files older than this day\n"
    "  -O CHARSET   the code page of the archive's names stored without the UTF-8 flag\n"
    "  -$           store the volume label\n"
    "  -!, -&       spanned archive; remove leftover segments\n"
    "  -i PATTERNS  take only the files that match\n"
    "  -x PATTERNS  leave out the files that match\n"
    "  --           every word after it is a name\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "One line per message of the library, then \"result N\"; the exit status is N / 10.\n"
    "See zipeng(1).\n",
};

namespace {

// Whether `word` is one of the blank-separated words of `list`.
bool listed(std::string_view list, std::string_view word) {
  while (!list.empty()) {
    const size_t blank = list.find(' ');
    if (list.substr(0, blank) == word) return true;
    if (blank == std::string_view::npos) break;
    list.remove_prefix(blank + 1);
  }
  return false;
}

bool looksLikeOption(std::string_view word) {
  return word.size() >= 2 && word[0] == '-';
}

// The letter of a run of single-letter switches that the library does not know, or 0.
char unknownLetter(const Syntax& syntax, std::string_view word) {
  for (const char c : word.substr(1)) {
    if (syntax.levelDigits && std::isdigit(static_cast<unsigned char>(c))) continue;
    if (!std::strchr(syntax.letters, c)) return c;
  }
  return 0;
}

}  // namespace

Parsed parseCommandLine(const Syntax& syntax, int argc, char** argv, Options& options, std::string& problem) {
  bool haveArchive = false;
  bool literal = false;  // after "--" behind the archive every word is a name
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (literal) {
      options.args.push_back(word);
      continue;
    }
    if (word == "--help") return Parsed::Help;
    if (word == "--version") return Parsed::Version;
    const auto takeValue = [&](std::string& value) {
      if (i + 1 >= argc) {
        problem = "option " + word + " needs a value";
        return false;
      }
      value = argv[++i];
      return true;
    };
    // A library switch with its value, both passed on.
    const auto passWithValue = [&] {
      std::string value;
      if (!takeValue(value)) return false;
      options.args.push_back(word);
      options.args.push_back(std::move(value));
      return true;
    };
    if (!haveArchive) {
      if (word == "-P") {
        if (!takeValue(options.password)) return Parsed::Refused;
        options.passwordFromInput = options.password == "-";
        if (options.passwordFromInput) options.password.clear();
        continue;
      }
      if (word == "-c" && syntax.acceptComment) {
        if (!takeValue(options.comment)) return Parsed::Refused;
        options.hasComment = true;
        continue;
      }
      if (word == "--") {
        // The next word is the archive even when it begins with "-"; the library reads such a
        // word as switches, so it gets the same file under a name that does not.
        if (i + 1 >= argc) break;
        options.archive = argv[++i];
        options.args.push_back(looksLikeOption(options.archive) ? "./" + options.archive : options.archive);
        haveArchive = true;
        continue;
      }
      if (listed(syntax.valued, word)) {
        if (!passWithValue()) return Parsed::Refused;
        continue;
      }
      if (listed(syntax.words, word)) {
        options.args.push_back(word);
        continue;
      }
      if (looksLikeOption(word)) {
        // A long option is one word, never a run of letters.
        if (word[1] == '-') {
          problem = "unknown option " + word;
          return Parsed::Refused;
        }
        if (const char letter = unknownLetter(syntax, word)) {
          problem = word.size() == 2 ? "unknown option " + word
                                     : std::string("unknown switch -") + letter + " in " + word;
          return Parsed::Refused;
        }
        if (word == "-o") options.overwrite = true;
        options.args.push_back(word);
        continue;
      }
      options.archive = word;
      options.args.push_back(word);
      haveArchive = true;
      continue;
    }
    if (word == "--") {
      literal = true;
      options.args.push_back(word);
      continue;
    }
    if (listed(syntax.valuedMarkers, word)) {
      if (!passWithValue()) return Parsed::Refused;
      continue;
    }
    if (listed(syntax.markers, word)) {
      options.args.push_back(word);
      continue;
    }
    if (looksLikeOption(word)) {
      problem = "unknown option " + word + " (a name that begins with \"-\" goes after \"--\")";
      return Parsed::Refused;
    }
    options.args.push_back(word);
  }
  if (!haveArchive) {
    if (argc > 1) problem = "no archive named";
    return Parsed::Refused;
  }
  return Parsed::Run;
}

}  // namespace cli
