// Private profile (INI) files: the settings file and the keys other windows keep in it.
// Every call goes to the file itself; nothing is cached, so a value written by one window is what
// the next read anywhere sees, and a write is on the disk when the call returns.
#pragma once

#include <QString>

namespace platform {

// The read buffer the program hands the service: a read returns at most 1023 bytes.
inline constexpr int kProfileBufferLength = 1024;

// Files larger than this are not profile files: reading them gives the defaults and writing to
// them fails, so a stray big file is never loaded whole nor replaced.
inline constexpr qint64 kProfileSizeLimit = 16 * 1024 * 1024;

// The file that FileName stands for. A bare name (no "/") lies in the profile folder:
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config. A name with a folder is used as
// given. Empty for an empty name.
QString ProfileFilePath(const QString& FileName);

// The value of Key in Section ("Settings", "ConfirmAdd"; both matched regardless of case), or
// Default when the file, the section, the key or its "=" is missing. The result holds at most
// BufferLength - 1 bytes of UTF-8, cut after the last whole character that fits. Blanks around
// the value are dropped, and so is one pair of matching quotes enclosing it.
QString GetPrivateProfileString(const QString& Section, const QString& Key, const QString& Default,
                                int BufferLength, const QString& FileName);

// Sets Key in Section to Value, creating the file (readable by its owner only, as it may hold a
// password), the section or the key as needed; an existing key is replaced where it stands and
// every other line is kept as it was. The file is replaced in one step, so it is never seen half
// written. A value with blanks at either end, or enclosed in matching quotes, is stored inside
// double quotes so that it reads back exactly.
// False, with the file left as it was, when the file or its folder cannot be written (read-only,
// disk full, larger than kProfileSizeLimit), or when a name or value would break the file's line
// structure: an empty name, a line break or NUL anywhere, "]" in a section name, "=" in a key or a
// key beginning with "[", ";" or "#".
bool WritePrivateProfileString(const QString& Section, const QString& Key, const QString& Value,
                               const QString& FileName);

}  // namespace platform
