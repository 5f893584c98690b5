#include "SignatureText.h"

#include <QCoreApplication>

#include "TimeConversion.h"

namespace ombrix {

namespace {

// The meaning as a signature line begins with it.
const char* MeaningHeading(SignatureMeaning meaning) {
  switch (meaning) {
    case SignatureMeaning::kReviewed:
      return QT_TRANSLATE_NOOP("SignatureText", "Reviewed");
    case SignatureMeaning::kApproved:
      return QT_TRANSLATE_NOOP("SignatureText", "Approved");
    case SignatureMeaning::kReleased:
      break;
  }
  return QT_TRANSLATE_NOOP("SignatureText", "Released");
}

}  // namespace

// In the program's language: English in ombrix-cli, the window's language in the window and its
// printed report. The archive keeps the statement itself, never this text.
QString SignatureText(const SignedStatement& statement) {
  const QString meaning =
      QCoreApplication::translate("SignatureText", MeaningHeading(statement.meaning));
  // ISO 8601 ends with the offset: "+01:00".
  const QString offset = IsoDateTimeText(statement.instant).right(6);
  QString text = QCoreApplication::translate("SignatureText", "%1 by %2 (%3), %4 UTC%5")
                     .arg(meaning, QString::fromStdString(statement.signer.name),
                          QString::fromStdString(statement.signer.login),
                          DateTimeText(ProbeSecondsToDateTime(statement.instant)), offset);
  if (!statement.comment.empty())
    text += QStringLiteral(": ") + QString::fromStdString(statement.comment);
  return text;
}

bool SignatureTexts(TArchive& archive, std::int64_t id, QStringList& lines, std::string& error) {
  std::vector<EntrySignature> signatures;
  if (!archive.Signatures(id, signatures, error)) return false;
  lines.clear();
  for (const EntrySignature& s : signatures) lines << SignatureText(s.statement);
  return true;
}

}  // namespace ombrix
