#include "RecordOrigin.h"

#include <QCoreApplication>

namespace ombrix {

namespace {

// In the program's language: English in ombrix-cli, the window's where the window shows it.
QString Said(const char* source) {
  return QCoreApplication::translate("RecordOrigin", source);
}

}  // namespace

std::string OriginText(const RecordOrigin& origin) {
  const QString entry =
      Said(QT_TRANSLATE_NOOP("RecordOrigin", "archive entry %1")).arg(origin.archiveEntry);
  switch (origin.kind) {
    case RecordOrigin::Kind::kNone:
      return {};
    case RecordOrigin::Kind::kDownload: {
      QString text = Said(QT_TRANSLATE_NOOP("RecordOrigin", "Downloaded"));
      if (origin.notArchived) {
        text += Said(QT_TRANSLATE_NOOP("RecordOrigin", ", not archived"));
      } else if (origin.archiveEntry != 0) {
        text += QStringLiteral(", ") + entry;
      }
      if (origin.incremental) {
        text += Said(QT_TRANSLATE_NOOP("RecordOrigin", " (incremental download)"));
      }
      return text.toStdString();
    }
    case RecordOrigin::Kind::kFile:
      return Said(QT_TRANSLATE_NOOP("RecordOrigin", "Opened from %1"))
          .arg(QString::fromStdString(origin.file))
          .toStdString();
    case RecordOrigin::Kind::kArchive:
      return Said(QT_TRANSLATE_NOOP("RecordOrigin", "Opened from %1")).arg(entry).toStdString();
  }
  return {};
}

}  // namespace ombrix
