#include "WebQuery.h"

#include <QUrl>

#include "CodePage.h"
#include "FigureTexts.h"
#include "TimeConversion.h"

namespace ombrix::web {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decodes one key or value; false for a broken escape or bytes that are not UTF-8.
bool Decode(QByteArrayView text, QString& decoded) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      bytes += ' ';
    } else if (c == '%') {
      if (i + 2 >= text.size()) return false;
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return false;
      bytes += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      bytes += c;
    }
  }
  decoded = QString::fromUtf8(bytes);
  if (decoded.toUtf8() != bytes) return false;  // not UTF-8: replaced characters
  for (const QChar ch : decoded) {
    if (ch.category() == QChar::Other_Control) return false;
  }
  return true;
}

bool ParseDate(const QString& text, std::optional<QDate>& date) {
  if (text.isEmpty()) return true;  // an empty date field: no bound
  const QDate value = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
  if (!value.isValid() || value.year() < 1990 || value.year() > 2099) return false;
  date = value;
  return true;
}

}  // namespace

bool SplitQuery(QByteArrayView query, std::vector<std::pair<QString, QString>>& pairs,
                QString& error) {
  pairs.clear();
  if (query.isEmpty()) return true;
  for (const QByteArray& part : QByteArray(query.data(), query.size()).split('&')) {
    if (part.isEmpty()) continue;
    const qsizetype equals = part.indexOf('=');
    QString key, value;
    if (!Decode(part.left(equals < 0 ? part.size() : equals), key) ||
        (equals >= 0 && !Decode(part.mid(equals + 1), value))) {
      error = QStringLiteral("The query holds a malformed value.");
      return false;
    }
    if (key.isEmpty() || key.size() > kMaxValue) {
      error = QStringLiteral("The query holds a malformed key.");
      return false;
    }
    if (value.size() > kMaxValue) {
      error =
          QStringLiteral("The value of %1 is longer than %2 characters.").arg(key).arg(kMaxValue);
      return false;
    }
    for (const auto& pair : pairs) {
      if (pair.first == key) {
        error = QStringLiteral("%1 is given twice.").arg(key);
        return false;
      }
    }
    pairs.emplace_back(key, value);
  }
  return true;
}

bool ParseDownloadsQuery(QByteArrayView query, DownloadsQuery& downloads, QString& error,
                         bool withText) {
  std::vector<std::pair<QString, QString>> pairs;
  if (!SplitQuery(query, pairs, error)) return false;
  DownloadsQuery d;
  for (const auto& [key, value] : pairs) {
    if (key == u"serial") {
      d.serialText = value.trimmed();
      if (d.serialText.isEmpty()) continue;
      d.serial = figures::SerialNumberFromText(d.serialText);
      if (!d.serial) {
        error = QStringLiteral(
            "The serial number is neither eight hexadecimal bytes (\"28 00 00 00 00 00 00 A2\") "
            "nor one 16-digit hexadecimal number.");
        return false;
      }
    } else if (key == u"text" && withText) {
      d.text = value;
    } else if (key == u"from" || key == u"to") {
      if (!ParseDate(value, key == u"from" ? d.from : d.to)) {
        error = QStringLiteral("The date %1 is not a day from 1990 to 2099 (yyyy-MM-dd).").arg(key);
        return false;
      }
    } else if (key == u"page") {
      bool ok = false;
      const qlonglong page = value.toLongLong(&ok);
      if (!ok || page < 1 || page > kMaxPage || value.size() != QString::number(page).size()) {
        error = QStringLiteral("The page is a whole number from 1 to %1.").arg(kMaxPage);
        return false;
      }
      d.page = page;
    } else {
      error = QStringLiteral("This page takes no %1.").arg(key);
      return false;
    }
  }
  if (d.from && d.to && *d.from > *d.to) {
    error = QStringLiteral("The date range ends before it begins.");
    return false;
  }
  downloads = d;
  return true;
}

ArchiveFilter FilterOf(const DownloadsQuery& d) {
  ArchiveFilter filter;
  filter.serialNumber = d.serial;
  filter.text = DefaultCodePage().FromUnicode(d.text);
  if (d.from)
    filter.fromSeconds =
        LocalTimeToSeconds(d.from->year(), d.from->month(), d.from->day(), 0, 0, 0);
  if (d.to) {
    const QDate next = d.to->addDays(1);
    filter.toSeconds = LocalTimeToSeconds(next.year(), next.month(), next.day(), 0, 0, 0) - 1;
  }
  filter.limit = kPageSize;
  filter.offset = (d.page - 1) * kPageSize;
  return filter;
}

AuditFilter AuditFilterOf(const DownloadsQuery& d) {
  const ArchiveFilter range = FilterOf(d);
  AuditFilter filter;
  if (d.serial) filter.probeSerial = SerialNumberText(*d.serial);
  filter.fromSeconds = range.fromSeconds;
  if (range.toSeconds) filter.toSeconds = *range.toSeconds + 1;
  filter.newestFirst = true;
  filter.limit = kPageSize + 1;
  filter.offset = (d.page - 1) * kPageSize;
  return filter;
}

bool ParseGraphQuery(QByteArrayView query, GraphWindow& window, QString& error) {
  std::vector<std::pair<QString, QString>> pairs;
  if (!SplitQuery(query, pairs, error)) return false;
  GraphWindow w;
  for (const auto& [key, value] : pairs) {
    if (key != u"first" && key != u"last") {
      error = QStringLiteral("This page takes no %1.").arg(key);
      return false;
    }
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < 1 || number > TProbeRecord::kLogSize || value != QString::number(number)) {
      error = QStringLiteral("The sample %1 is a whole number from 1 to %2.")
                  .arg(key)
                  .arg(TProbeRecord::kLogSize);
      return false;
    }
    (key == u"first" ? w.first : w.last) = number;
  }
  if ((w.first == 0) != (w.last == 0) || w.first > w.last) {
    error = QStringLiteral("The graph needs a first and a last sample, in that order.");
    return false;
  }
  window = w;
  return true;
}

QString QueryText(const DownloadsQuery& d, std::int64_t page) {
  QString text;
  const auto add = [&text](const char* key, const QString& value) {
    if (value.isEmpty()) return;
    text += (text.isEmpty() ? QString() : QStringLiteral("&")) + QLatin1String(key) + u'=' +
            QString::fromLatin1(QUrl::toPercentEncoding(value));
  };
  add("serial", d.serialText);
  add("text", d.text);
  if (d.from) add("from", d.from->toString(Qt::ISODate));
  if (d.to) add("to", d.to->toString(Qt::ISODate));
  if (page > 1) add("page", QString::number(page));
  return text;
}

bool ParseEntryPath(QStringView path, std::int64_t& id, QString& suffix) {
  constexpr QStringView kPrefix = u"/entry/";
  if (!path.startsWith(kPrefix)) return false;
  const QStringView rest = path.mid(kPrefix.size());
  const qsizetype slash = rest.indexOf(u'/');
  const QStringView number = slash < 0 ? rest : rest.left(slash);
  if (number.isEmpty() || number.size() > 18 || number[0] == u'0') return false;
  for (const QChar c : number) {
    if (c < u'0' || c > u'9') return false;
  }
  id = number.toLongLong();
  suffix = slash < 0 ? QString() : rest.mid(slash + 1).toString();
  return true;
}

}  // namespace ombrix::web
