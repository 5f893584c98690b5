#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <string>

#include "Archive.h"

namespace ombrix::testing {

enum class Backend { kSqlite, kPostgres };

// A fresh, empty archive per test on the backend of the parameter. The PostgreSQL server of this
// test program starts on first use and stops at its end; a server that cannot start fails the test
// with the reason.
class ArchiveTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override { location_ = NewLocation(); }
  // Another fresh archive of the same backend.
  ArchiveLocation NewLocation();
  // Runs the statements on a connection of its own to the archive and returns the first value
  // of the last one's first row (invalid when there is none); a failing statement fails the test.
  QVariant Sql(const QStringList& statements);
  // The error text of a statement the database refuses, "" when it runs.
  std::string SqlRefusal(const QString& statement);
  // What takes away the triggers that keep stored rows as written, as the database's owner can.
  QStringList DropGuards() const;

  QTemporaryDir dir_;
  ArchiveLocation location_;
};

std::string BackendName(const ::testing::TestParamInfo<Backend>& info);

// Every status field, the log bytes, the decoded samples and the histogram are the same.
void ExpectSameRecord(const TProbeRecord& actual, const TProbeRecord& expected);

}  // namespace ombrix::testing

#define OMBRIX_ON_BOTH_BACKENDS(suite)                                               \
  INSTANTIATE_TEST_SUITE_P(Backends, suite,                                          \
                           ::testing::Values(::ombrix::testing::Backend::kSqlite,    \
                                             ::ombrix::testing::Backend::kPostgres), \
                           ::ombrix::testing::BackendName)
