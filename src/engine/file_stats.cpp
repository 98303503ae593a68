#include "engine/file_stats.h"

#include <QDate>

#include "engine/engine_text.h"

TDateTime DosDateTimeToDateTime(std::uint32_t dosDateTime) {
  const unsigned date = dosDateTime >> 16;
  const unsigned time = dosDateTime & 0xFFFFu;
  const int day = static_cast<int>(date & 0x1F);
  const int month = static_cast<int>((date >> 5) & 0x0F);
  const int year = static_cast<int>(date >> 9) + 1980;
  const int seconds = static_cast<int>(time & 0x1F) * 2;
  const int minutes = static_cast<int>((time >> 5) & 0x3F);
  const int hours = static_cast<int>(time >> 11);
  const QDate calendarDate(year, month, day);  // invalid for day 0, month 0 or 13, 30 February
  if (!calendarDate.isValid() || hours > 23 || minutes > 59 || seconds > 59) return 0;
  static const QDate kEpoch(1899, 12, 30);
  return static_cast<TDateTime>(kEpoch.daysTo(calendarDate)) +
         (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

TZipFileStats FromLibrary(const zipabi::TZipLibFileStats& lib) {
  TZipFileStats stats;
  stats.FileName = TextFromLibrary(lib.FileName);
  stats.Size = lib.Size;
  stats.CompressedSize = lib.CompressedSize;
  stats.LibraryValue1 = lib.LibraryValue1;
  stats.Attributes.Bits = lib.Attributes & 0x3F;  // the six flags; higher bits dropped
  stats.DateTime = DosDateTimeToDateTime(lib.DosDateTime);
  stats.LibraryValue2 = lib.LibraryValue2;
  stats.Ratio = lib.Ratio;
  stats.PercentDone = lib.PercentDone;
  stats.LibraryByte = lib.LibraryByte;
  stats.LibraryFlag = lib.LibraryFlag != 0;
  // The comment characters are not terminated: take exactly the length given.
  if (lib.Comment && lib.CommentLength > 0) stats.Comment = QString::fromUtf8(lib.Comment, lib.CommentLength);
  return stats;
}

TZipSkipping FromLibrary(const zipabi::TZipLibSkipping& lib) {
  return {TextFromLibrary(lib.FileName), lib.Reason};
}

TZipReplace FromLibrary(const zipabi::TZipLibReplace& lib) {
  return {TextFromLibrary(lib.FileName), QString(), lib.Answer != 0};
}

TZipPwdQuery FromLibrary(const zipabi::TZipLibPwdQuery& lib) {
  return {TextFromLibrary(lib.FileName), QString(), lib.Response};
}

TZipFileComment FromLibrary(const zipabi::TZipLibFileComment& lib) {
  return {TextFromLibrary(lib.FileName), QString()};
}

void ToLibrary(const TZipReplace& answer, zipabi::TZipLibReplace& lib) {
  CopyToLibrary(answer.NewName.toUtf8(), lib.NewNameBuffer, zipabi::kReplaceNameCapacity - 1, true);
  lib.Answer = answer.Replace ? 1 : 0;
}

void ToLibrary(const TZipPwdQuery& answer, zipabi::TZipLibPwdQuery& lib) {
  CopyToLibrary(answer.Password.toUtf8(), lib.PasswordBuffer, zipabi::kPasswordCapacity - 1, true);
  lib.Response = answer.Response;
}

void ToLibrary(const TZipFileComment& answer, zipabi::TZipLibFileComment& lib) {
  lib.Length = static_cast<std::uint8_t>(
      CopyToLibrary(answer.Comment.toUtf8(), lib.CommentBuffer, zipabi::kCommentCapacity, false));
}
