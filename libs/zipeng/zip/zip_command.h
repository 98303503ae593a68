// The compression library's argument vector, parsed: element 0 the password, then switches,
// the archive name, the names, and the "-i" / "-x" pattern lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zipeng {

enum class ZipAction { Add, Freshen, Update, Delete, Fix, FixAggressive, Redate, Comment };

struct ZipCommand {
  std::string password;
  ZipAction action = ZipAction::Add;
  bool encrypt = false;                       // -e
  uint8_t aesStrength = 0;                    // --aes=128 (1) or --aes=256 (3): -e encrypts with AES
  int level = 6;                              // -0 .. -9
  bool move = false;                          // -m
  bool hidden = false;                        // -S
  bool folderEntries = false;                 // -D
  bool volumeLabel = false;                   // -$
  bool recurse = false;                       // -r
  bool junkPaths = false;                     // -j
  bool grow = false;                          // -g
  std::string tempFolder;                     // -b
  std::vector<std::string> storedExtensions;  // -n, lower case, without the dot
  bool spanned = false;                       // -!
  bool clearDisks = false;                    // -&
  std::string nameCharset;                    // -O: code page of kept names without the UTF-8 flag
  std::optional<int64_t> notBefore;           // -t, as local midnight
  std::string archive;
  std::vector<std::string> names;
  std::vector<std::string> includes;
  std::vector<std::string> excludes;
};

// Returns false when the vector makes no sense (no archive name, an unknown switch, a switch
// without its value); the library answers that with 400.
bool parseZipCommand(int argc, const char* const* argv, ZipCommand& cmd);

// "-t" date "mmddyy" as local midnight; nullopt when malformed.
std::optional<int64_t> parseMmddyy(const std::string& text);

// True when the file name's extension is in the list (case-insensitive).
bool hasStoredExtension(const std::string& name, const std::vector<std::string>& extensions);

}  // namespace zipeng
