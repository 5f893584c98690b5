#include "SignDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Dialogs.h"
#include "KeyUse.h"
#include "Msg.h"
#include "WaitCursor.h"

namespace ombrix {

TSignDialog::TSignDialog(TArchive& archive, std::int64_t entryId, const QString& entryText,
                         QWidget* parent)
    : QDialog(parent), archive_(archive), entryId_(entryId) {
  setObjectName(QStringLiteral("SignDialog"));
  setWindowTitle(tr("Sign archive entry %1").arg(entryId));

  auto* what = new QLabel(entryText, this);
  what->setWordWrap(true);
  meaning_ = new QComboBox(this);
  meaning_->setObjectName(QStringLiteral("SignMeaning"));
  meaning_->addItem(tr("Reviewed"), static_cast<int>(SignatureMeaning::kReviewed));
  meaning_->addItem(tr("Approved"), static_cast<int>(SignatureMeaning::kApproved));
  meaning_->addItem(tr("Released"), static_cast<int>(SignatureMeaning::kReleased));
  comment_ = new QLineEdit(this);
  comment_->setObjectName(QStringLiteral("SignComment"));
  comment_->setMaxLength(500);
  keyFile_ = new QLineEdit(
      QString::fromStdString(DefaultKeyFilePath(CurrentActor(OMBRIX_VERSION).user)), this);
  keyFile_->setObjectName(QStringLiteral("SignKeyFile"));
  auto* browse = new QPushButton(tr("&Browse..."), this);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Key file"), keyFile_->text(),
                                                        tr("Key files (*.key)"));
    if (!chosen.isEmpty()) keyFile_->setText(chosen);
  });
  auto* keyRow = new QHBoxLayout;
  keyRow->addWidget(keyFile_, 1);
  keyRow->addWidget(browse);
  passphrase_ = new QLineEdit(this);
  passphrase_->setObjectName(QStringLiteral("SignPassphrase"));
  passphrase_->setEchoMode(QLineEdit::Password);

  auto* form = new QFormLayout;
  form->addRow(tr("&Meaning :"), meaning_);
  form->addRow(tr("&Comment :"), comment_);
  auto* keyLabel = new QLabel(tr("&Key file :"), this);
  keyLabel->setBuddy(keyFile_);
  form->addRow(keyLabel, keyRow);
  form->addRow(tr("&Passphrase :"), passphrase_);
  auto* note = new QLabel(
      tr("Your signature stays with the entry for good and shows your name, the date and time "
         "and its meaning."),
      this);
  note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("&Sign"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(what);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addWidget(buttons);
  setMinimumWidth(560);
  passphrase_->setFocus();
}

void TSignDialog::SetMeaning(SignatureMeaning meaning) {
  meaning_->setCurrentIndex(meaning_->findData(static_cast<int>(meaning)));
}
void TSignDialog::SetComment(const QString& comment) {
  comment_->setText(comment);
}
void TSignDialog::SetKeyFile(const QString& path) {
  keyFile_->setText(path);
}
void TSignDialog::SetPassphrase(const QString& passphrase) {
  passphrase_->setText(passphrase);
}

bool TSignDialog::SignEntry() {
  const auto refuse = [this](const std::string& error) {
    ShowMessage(this, Msg("MsgError"),
                tr("The entry was not signed:\n%1").arg(QString::fromStdString(error)));
    return false;
  };
  const AuditActor actor = CurrentActor(OMBRIX_VERSION);
  const auto meaning = static_cast<SignatureMeaning>(meaning_->currentData().toInt());
  const std::string comment = comment_->text().toStdString();
  KeyFile file;
  std::string error;
  if (!LoadKeyFile(keyFile_->text().toStdString(), file, error)) {
    return refuse(error + " " + tr("Make your key with: ombrix-cli key create").toStdString());
  }
  // The typed text is taken once and the field emptied, whatever comes of it.
  const std::string passphrase = passphrase_->text().toStdString();
  passphrase_->clear();
  WaitCursor wait;
  TSigningKey key;
  if (UnlockForArchive(archive_, actor, file, passphrase,
                       SigningAttempt(entryId_, meaning, comment), key,
                       error) != UnlockResult::kUnlocked) {
    return refuse(error);
  }
  if (archive_.Sign(actor, key, entryId_, meaning, comment, signature_, error) !=
      TArchive::KeyAnswer::kDone) {
    return refuse(error);
  }
  return true;
}

void TSignDialog::accept() {
  if (SignEntry()) QDialog::accept();
}

}  // namespace ombrix
