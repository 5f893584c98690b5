#include <gmock/gmock.h>

#include "ArchiveRecords.h"
#include "ArchiveTesting.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;
using Answer = TArchive::KeyAnswer;

constexpr std::int64_t kT0 = 1'655'000'000;
const ArchiveProvenance kProvenance{"Ombrix adapter (USB serial OMX1)", "lab-3", "anna", "2.10",
                                    "download"};

struct Person {
  AuditActor actor;
  Signer signer;
  TSigningKey key;
};

// A person at a workstation with an unlocked key of their own (cheap to derive: tests only).
void MakePerson(const std::string& login, const std::string& name, const QString& folder,
                Person& person) {
  person.actor = {login, name, "ws-" + login, "2.10"};
  person.signer = {login, name};
  KeyFile file;
  std::string error;
  const std::string path = (folder + "/" + QString::fromStdString(login) + ".key").toStdString();
  ASSERT_EQ(CreateKeyFile(path, person.signer, "passphrase of " + login, MinimumKdfLimits(), false,
                          file, error),
            CreateKeyResult::kCreated)
      << error;
  ASSERT_EQ(TSigningKey::Unlock(file, "passphrase of " + login, person.key, error),
            UnlockResult::kUnlocked)
      << error;
}

using Signatures = ArchiveTest;

// The life of signatures on one archive, as three people and a second workstation see it.
TEST_P(Signatures, TwoPeopleConfirmKeysAndRevokedKeysSignNothingAfter) {
  Person anna, bob, carl;
  MakePerson("anna", "Anna Admin", dir_.path(), anna);
  MakePerson("bob", "Bob Signer", dir_.path(), bob);
  MakePerson("carl", "Carl Admin", dir_.path(), carl);
  TArchive archive(location_);
  std::string error;
  StoreResult stored;
  ASSERT_TRUE(archive.Store(*MakeRecord(0x28A1, "Fridge 2", kT0, 500, kT0 + 86'400), kProvenance,
                            stored, error))
      << error;
  EnrolledKey enrolled;
  EntrySignature signature;
  // A signer enrolled before any administrator cannot be confirmed by themselves.
  ASSERT_EQ(
      archive.EnrolKey(bob.actor, bob.key, bob.signer, KeyRole::kSigner, false, enrolled, error),
      Answer::kDone)
      << error;
  EXPECT_EQ(archive.Sign(bob.actor, bob.key, 1, SignatureMeaning::kReviewed, "", signature, error),
            Answer::kRefused);
  EXPECT_THAT(error, HasSubstr("has not been confirmed by an administrator yet"));
  ASSERT_EQ(archive.EnrolKey(anna.actor, anna.key, anna.signer, KeyRole::kAdministrator, true,
                             enrolled, error),
            Answer::kDone)
      << error;
  EXPECT_EQ(archive.EnrolKey(carl.actor, carl.key, carl.signer, KeyRole::kAdministrator, true,
                             enrolled, error),
            Answer::kRefused);
  EXPECT_THAT(error, HasSubstr("has its administrator already"));
  ASSERT_EQ(archive.EnrolKey(carl.actor, carl.key, carl.signer, KeyRole::kAdministrator, false,
                             enrolled, error),
            Answer::kDone);
  // Nobody confirms their own key, and a signer confirms nobody's.
  EXPECT_EQ(archive.ConfirmKey(carl.actor, carl.key, "carl", enrolled, error), Answer::kRefused);
  EXPECT_THAT(error, HasSubstr("Nobody confirms their own key"));
  EXPECT_EQ(archive.ConfirmKey(bob.actor, bob.key, "carl", enrolled, error), Answer::kRefused);
  ASSERT_EQ(archive.ConfirmKey(anna.actor, anna.key, "bob", enrolled, error), Answer::kDone)
      << error;
  ASSERT_EQ(archive.ConfirmKey(anna.actor, anna.key, "carl", enrolled, error), Answer::kDone);

  ASSERT_EQ(archive.Sign(bob.actor, bob.key, 1, SignatureMeaning::kReviewed, "looks right",
                         signature, error),
            Answer::kDone)
      << error;
  EXPECT_EQ(signature.statement.signer.name, "Bob Signer");
  ASSERT_EQ(
      archive.Sign(anna.actor, anna.key, 1, SignatureMeaning::kApproved, "", signature, error),
      Answer::kDone);
  // A lost key is revoked by an administrator: it signs nothing after, its signature stands.
  ASSERT_EQ(archive.RevokeKey(carl.actor, carl.key, "bob", "laptop stolen", enrolled, error),
            Answer::kDone)
      << error;
  EXPECT_EQ(archive.Sign(bob.actor, bob.key, 1, SignatureMeaning::kReleased, "", signature, error),
            Answer::kRefused);
  EXPECT_THAT(error, HasSubstr("was revoked on"));
  EXPECT_EQ(
      archive.Sign(anna.actor, anna.key, 7, SignatureMeaning::kReleased, "", signature, error),
      Answer::kRefused);
  EXPECT_THAT(error, HasSubstr("There is no entry 7"));

  // A second workstation on the same archive sees and verifies the same.
  TArchive second(location_);
  std::vector<EntrySignature> signatures;
  ASSERT_TRUE(second.Signatures(1, signatures, error)) << error;
  ASSERT_EQ(signatures.size(), 2u);
  EXPECT_EQ(signatures[0].statement.signer.login, "bob");
  EXPECT_EQ(signatures[1].statement.meaning, SignatureMeaning::kApproved);
  std::vector<KeyState> keys;
  ASSERT_TRUE(second.Keys(keys, error)) << error;
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(FindKeyNamed(keys, "bob")->revokedBy, "carl");
  EXPECT_EQ(FindKeyNamed(keys, "carl")->confirmedBy, "anna");
  EXPECT_EQ(FindKeyNamed(keys, keys[1].key.fingerprint), &keys[1]);
  TArchive::VerifyReport report;
  ASSERT_TRUE(second.Verify({}, report, error)) << error;
  EXPECT_EQ(report.signatures, 2);
  EXPECT_TRUE(report.faults.empty()) << report.faults.front();
  // Every refusal is on record as a failed action.
  std::vector<AuditRow> rows;
  ASSERT_TRUE(second.Audit({}, rows, error)) << error;
  int failed = 0;
  for (const AuditRow& row : rows) failed += row.event.done ? 0 : 1;
  EXPECT_EQ(failed, 6);
  EXPECT_EQ(rows.back().event.action, "sign");
  EXPECT_EQ(rows.back().actor.user, "anna");
  if (GetParam() == Backend::kPostgres) {
    EXPECT_FALSE(rows.back().databaseRole.empty());
  }

  for (const char* table : {"ombrix_keys", "ombrix_key_events", "ombrix_signatures"}) {
    EXPECT_THAT(SqlRefusal(QStringLiteral("DELETE FROM %1").arg(table)),
                HasSubstr("kept as written"));
  }
}

// What someone with the database owner's rights could change, each found by verification and
// named.
TEST_P(Signatures, TamperedKeysAndSignaturesAreFoundAndNamed) {
  Person anna, bob, mallory;
  MakePerson("anna", "Anna Admin", dir_.path(), anna);
  MakePerson("bob", "Bob Signer", dir_.path(), bob);
  MakePerson("mallory", "Bob Signer", dir_.path(), mallory);
  // Rows 1 store, 2 anna's key, 3 bob's, 4 anna confirms bob, 5 bob signs, 6 anna signs,
  // 7 anna revokes bob.
  const auto fill = [&](TArchive& archive) {
    std::string error;
    StoreResult stored;
    EnrolledKey key;
    EntrySignature signature;
    ASSERT_TRUE(archive.Store(*MakeRecord(0x28A1, "Fridge 2", kT0, 500, kT0 + 86'400), kProvenance,
                              stored, error));
    ASSERT_EQ(archive.EnrolKey(anna.actor, anna.key, anna.signer, KeyRole::kAdministrator, true,
                               key, error),
              Answer::kDone);
    ASSERT_EQ(archive.EnrolKey(bob.actor, bob.key, bob.signer, KeyRole::kSigner, false, key, error),
              Answer::kDone);
    ASSERT_EQ(archive.ConfirmKey(anna.actor, anna.key, "bob", key, error), Answer::kDone);
    ASSERT_EQ(
        archive.Sign(bob.actor, bob.key, 1, SignatureMeaning::kReviewed, "", signature, error),
        Answer::kDone);
    ASSERT_EQ(
        archive.Sign(anna.actor, anna.key, 1, SignatureMeaning::kApproved, "", signature, error),
        Answer::kDone);
    ASSERT_EQ(archive.RevokeKey(anna.actor, anna.key, "bob", "left", key, error), Answer::kDone);
  };
  const QString otherKey = QString::fromStdString(mallory.key.PublicKey());
  const struct {
    const char* what;
    QStringList changes;
    const char* fault;
  } cases[] = {
      {"a signature's meaning",
       {"UPDATE ombrix_signatures SET meaning = 'released' WHERE login = 'bob'"},
       "signature 1 (entry 1, bob): it differs from audit row 5, which recorded it"},
      {"a meaning the program does not know",
       {"UPDATE ombrix_signatures SET meaning = 'rejected' WHERE login = 'bob'"},
       "signature 1 (entry 1, bob): its signature does not verify (the row was changed)"},
      {"a signature's content hash",
       {"UPDATE ombrix_signatures SET content_hash = '" + QString(64, u'0') + "'"},
       "signature 1 (entry 1, bob): it signs other content than the entry holds"},
      {"a key swapped",
       {"UPDATE ombrix_keys SET public_key = '" + otherKey + "' WHERE login = 'bob'",
        "UPDATE ombrix_signatures SET public_key = '" + otherKey + "' WHERE login = 'bob'"},
       "of bob: it differs from audit row 3, which recorded it"},
      {"a revocation deleted",
       {"DELETE FROM ombrix_key_events WHERE event = 'revoke'"},
       "audit row 7: records a key event that the archive no longer holds"},
      {"a signature deleted",
       {"DELETE FROM ombrix_signatures WHERE login = 'anna'"},
       "audit row 6: records a signature that the archive no longer holds"},
      {"a confirmation moved before the key's enrolment",
       {"UPDATE ombrix_key_events SET audit_seq = 1 WHERE event = 'confirm'"},
       "key event 1: the audit trail has no row that recorded it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    location_ = NewLocation();
    TArchive archive(location_);
    fill(archive);
    Sql(DropGuards() + c.changes);
    TArchive::VerifyReport report;
    std::string error;
    ASSERT_TRUE(archive.Verify({}, report, error)) << error;
    ASSERT_FALSE(report.faults.empty());
    EXPECT_THAT(report.faults.front(), HasSubstr(c.fault));
  }
}

OMBRIX_ON_BOTH_BACKENDS(Signatures);

}  // namespace
}  // namespace ombrix::testing
