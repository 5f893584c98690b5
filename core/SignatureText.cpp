#include "SignatureText.h"

#include "TimeConversion.h"

namespace ombrix {

QString SignatureText(const SignedStatement& statement) {
  QString meaning = QString::fromLatin1(MeaningText(statement.meaning).data(),
                                        static_cast<int>(MeaningText(statement.meaning).size()));
  meaning[0] = meaning[0].toUpper();
  // ISO 8601 ends with the offset: "+01:00".
  const QString offset = IsoDateTimeText(statement.instant).right(6);
  QString text = QStringLiteral("%1 by %2 (%3), %4 UTC%5")
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
