#include "DateTimeForms.h"

#include <QDate>
#include <QRegularExpression>
#include <QString>
#include <QTime>

#include <cstdio>

namespace ombrix {

namespace {

bool IsAscii(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x80) return false;
  }
  return true;
}

bool Encode(const QDate& date, const QTime& time, TDateTime& value) {
  if (!date.isValid() || !time.isValid()) return false;
  return TryEncodeDateTime(date.year(), date.month(), date.day(), time.hour(), time.minute(),
                           time.second(), 0, value);
}

bool ReadIso(const QString& text, TDateTime& value) {
  if (text.size() < 16 || (text[10] != u'T' && text[10] != u' ')) return false;
  return Encode(QDate::fromString(text.left(10), Qt::ISODate),
                QTime::fromString(text.mid(11), Qt::ISODate), value);
}

// A date without blanks, one blank, then the time.
bool ReadSplit(const QString& text, const QString& dateFormat, const QString& timeFormat,
               TDateTime& value) {
  const qsizetype blank = text.indexOf(u' ');
  if (blank < 0) return false;
  return Encode(QDate::fromString(text.left(blank), dateFormat),
                QTime::fromString(text.mid(blank + 1), timeFormat), value);
}

}  // namespace

std::string DateTimeBytes(TDateTime value) {
  const QString text = DateTimeText(value);
  if (IsAscii(text)) return text.toStdString();
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(value, year, month, day, hour, minute, second, millisecond);
  char iso[32];
  std::snprintf(iso, sizeof iso, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                second);
  return iso;
}

DateReading ReadDateTimeBytes(std::string_view bytes, TDateTime& value) {
  const QString written =
      QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())).trimmed();
  if (written.isEmpty()) return DateReading::kNoForm;
  if (TextToDateTime(written, value)) return DateReading::kRead;
  const QString text = written.simplified();
  if (ReadIso(text, value) ||
      ReadSplit(text, QStringLiteral("d.M.yyyy"), QStringLiteral("H:mm:ss"), value)) {
    return DateReading::kRead;
  }
  // "4/3/2021 3:04:05 PM" is 4 March from an Australian computer and 3 April from an American one.
  static const QRegularExpression numericDate(
      QStringLiteral("^\\d{1,2}([/-])\\d{1,2}\\1\\d{2,4}( |$)"));
  return numericDate.match(text).hasMatch() ? DateReading::kOrderUnknown : DateReading::kNoForm;
}

}  // namespace ombrix
