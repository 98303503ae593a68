#include "zip/zip_command.h"

#include <cctype>
#include <ctime>

#include "core/name_encoding.h"

namespace zipeng {

namespace {

std::string lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> splitExtensions(const std::string& list) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t semi = list.find_first_of(";:,", pos);
    if (semi == std::string::npos) semi = list.size();
    std::string ext = list.substr(pos, semi - pos);
    while (!ext.empty() && (ext.front() == ' ' || ext.front() == '*' || ext.front() == '.')) ext.erase(0, 1);
    while (!ext.empty() && ext.back() == ' ') ext.pop_back();
    if (!ext.empty()) out.push_back(lower(ext));
    pos = semi + 1;
  }
  return out;
}

}  // namespace

std::optional<int64_t> parseMmddyy(const std::string& text) {
  if (text.size() != 6) return std::nullopt;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  int mm = std::stoi(text.substr(0, 2)), dd = std::stoi(text.substr(2, 2)), yy = std::stoi(text.substr(4, 2));
  if (mm < 1 || mm > 12 || dd < 1 || dd > 31) return std::nullopt;
  struct tm t {};
  t.tm_year = (yy < 80 ? 100 + yy : yy);  // two-digit years from 1980 to 2079
  t.tm_mon = mm - 1;
  t.tm_mday = dd;
  t.tm_isdst = -1;
  return static_cast<int64_t>(mktime(&t));
}

bool hasStoredExtension(const std::string& name, const std::vector<std::string>& extensions) {
  if (extensions.empty()) return false;
  size_t slash = name.rfind('/');
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = lower(name.substr(dot + 1));
  for (auto& e : extensions)
    if (e == ext) return true;
  return false;
}

bool parseZipCommand(int argc, const char* const* argv, ZipCommand& cmd) {
  if (argc < 1 || !argv) return false;
  cmd.password = argv[0] ? argv[0] : "";
  int i = 1;
  auto value = [&](std::string& out) {
    if (i + 1 >= argc || !argv[i + 1]) return false;
    out = argv[++i];
    return true;
  };
  for (; i < argc; ++i) {
    if (!argv[i]) return false;
    std::string a = argv[i];
    if (a.size() < 2 || a[0] != '-') break;  // the archive name
    if (a == "-FF") {
      cmd.action = ZipAction::FixAggressive;
      continue;
    }
    if (a == "--aes=128" || a == "--aes=256") {
      cmd.aesStrength = a == "--aes=128" ? 1 : 3;
      continue;
    }
    if (a == "-O") {
      if (!value(cmd.nameCharset) || !knownCharset(cmd.nameCharset)) return false;
      continue;
    }
    if (a == "-b") {
      if (!value(cmd.tempFolder)) return false;
      continue;
    }
    if (a == "-n") {
      std::string list;
      if (!value(list)) return false;
      cmd.storedExtensions = splitExtensions(list);
      continue;
    }
    if (a == "-t") {
      std::string date;
      if (!value(date)) return false;
      cmd.notBefore = parseMmddyy(date);
      if (!cmd.notBefore) return false;
      continue;
    }
    // Single-letter switches, which may be run together ("-rS").
    for (size_t k = 1; k < a.size(); ++k) {
      char c = a[k];
      if (c >= '0' && c <= '9') {
        cmd.level = c - '0';
        continue;
      }
      switch (c) {
        case 'f':
          cmd.action = ZipAction::Freshen;
          break;
        case 'u':
          cmd.action = ZipAction::Update;
          break;
        case 'd':
          cmd.action = ZipAction::Delete;
          break;
        case 'F':
          cmd.action = ZipAction::Fix;
          break;
        case 'o':
          cmd.action = ZipAction::Redate;
          break;
        case 'z':
          cmd.action = ZipAction::Comment;
          break;
        case 'e':
          cmd.encrypt = true;
          break;
        case 'm':
          cmd.move = true;
          break;
        case 'S':
          cmd.hidden = true;
          break;
        case 'D':
          cmd.folderEntries = true;
          break;
        case '$':
          cmd.volumeLabel = true;
          break;
        case 'r':
          cmd.recurse = true;
          break;
        case 'j':
          cmd.junkPaths = true;
          break;
        case 'g':
          cmd.grow = true;
          break;
        case '!':
          cmd.spanned = true;
          break;
        case '&':
          cmd.clearDisks = true;
          break;
        default:
          return false;
      }
    }
  }
  if (i >= argc || !argv[i] || !*argv[i]) return false;
  cmd.archive = argv[i++];
  std::vector<std::string>* target = &cmd.names;
  bool literal = false;  // after "--" every word is a name, "-i" and "-x" included
  for (; i < argc; ++i) {
    if (!argv[i]) return false;
    std::string a = argv[i];
    if (literal) {
      if (!a.empty()) cmd.names.push_back(a);
      continue;
    }
    if (a == "--") {
      literal = true;
      continue;
    }
    if (a == "-i") {
      target = &cmd.includes;
      continue;
    }
    if (a == "-x") {
      target = &cmd.excludes;
      continue;
    }
    if (a.empty()) continue;
    target->push_back(a);
  }
  return true;
}

}  // namespace zipeng
