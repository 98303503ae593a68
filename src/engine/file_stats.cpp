#include "engine/file_stats.h"

#include <QDate>

#include "engine/engine_text.h"
#include "engine/zip_engine.h"

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
  return static_cast<TDateTime>(kEpoch.daysTo(calendarDate)) + (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

void TZipEngine::ConvertFileStats(const zipabi::TZipLibFileStats& LibStats, TZipFileStats& FileStats) {
  FileStats.FileName = TextFromLibrary(LibStats.FileName);
  FileStats.Size = LibStats.Size;
  FileStats.CompressedSize = LibStats.CompressedSize;
  FileStats.LibraryValue1 = LibStats.LibraryValue1;
  FileStats.Attributes.Bits = LibStats.Attributes & 0x3F;  // the six flags; higher bits dropped
  FileStats.DateTime = DosDateTimeToDateTime(LibStats.DosDateTime);
  FileStats.LibraryValue2 = LibStats.LibraryValue2;
  FileStats.Ratio = LibStats.Ratio;
  FileStats.PercentDone = LibStats.PercentDone;
  FileStats.LibraryByte = LibStats.LibraryByte;
  FileStats.LibraryFlag = LibStats.LibraryFlag != 0;
  // The comment characters are not terminated: take exactly the length given.
  if (LibStats.Comment && LibStats.CommentLength > 0)
    FileStats.Comment = QString::fromUtf8(LibStats.Comment, LibStats.CommentLength);
  else
    FileStats.Comment.clear();
}
