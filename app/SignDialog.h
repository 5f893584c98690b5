#pragma once

#include <QDialog>

#include <cstdint>

#include "Archive.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace ombrix {

// Archive > Sign...: signs one archive entry with the user's key. The meaning, a comment, the key
// file (the user's own by default) and its passphrase are asked; the passphrase field never shows
// what is typed and is emptied after every attempt. OK signs and closes; a refusal (a wrong
// passphrase, a key not confirmed or revoked) is shown, recorded in the audit trail by the
// archive, and leaves the dialog open for another try.
class TSignDialog : public QDialog {
  // Its own texts' context for the translations (tr).
  Q_OBJECT

 public:
  TSignDialog(TArchive& archive, std::int64_t entryId, const QString& entryText,
              QWidget* parent = nullptr);

  // The signature made, once OK has signed.
  const EntrySignature& Signature() const { return signature_; }
  // The fields, for the user and for tests.
  void SetMeaning(SignatureMeaning meaning);
  void SetComment(const QString& comment);
  void SetKeyFile(const QString& path);
  void SetPassphrase(const QString& passphrase);
  // Signs with what the fields hold; false after a message when refused or failed.
  bool SignEntry();

  void accept() override;

 private:
  TArchive& archive_;
  std::int64_t entryId_;
  EntrySignature signature_;
  QComboBox* meaning_ = nullptr;
  QLineEdit* comment_ = nullptr;
  QLineEdit* keyFile_ = nullptr;
  QLineEdit* passphrase_ = nullptr;
};

}  // namespace ombrix
