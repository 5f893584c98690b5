#include <gmock/gmock.h>

#include <string>

#include <unistd.h>

#include "Passphrase.h"

namespace ombrix {
namespace {

using ::testing::HasSubstr;

// --passphrase-fd: one line per read, nothing taken past it, and every refusal says why.
TEST(Passphrase, ReadsOneLineAtATimeFromAFileDescriptor) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::string input = "correct horse\r\n\nsecond one\n" +
                            std::string(kMaxPassphraseBytes, 'x') + "\n" +
                            std::string(kMaxPassphraseBytes + 9, 'y') + "\nlast";
  ASSERT_EQ(write(ends[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(ends[1]);

  const struct {
    std::string read;  // empty: refused
    const char* error;
  } expected[] = {
      {"correct horse", nullptr},     {"", "is empty"},
      {"second one", nullptr},        {std::string(kMaxPassphraseBytes, 'x'), nullptr},
      {"", "longer than 1024 bytes"},
  };
  for (const auto& e : expected) {
    TSecret passphrase;
    std::string error;
    EXPECT_EQ(ReadPassphrase(ends[0], "", passphrase, error), e.error == nullptr) << error;
    EXPECT_EQ(passphrase.View(), e.read);
    if (e.error) {
      EXPECT_THAT(error, HasSubstr(e.error));
    }
  }

  // A last line without "\n", then the end of the input.
  TSecret passphrase;
  std::string error;
  EXPECT_TRUE(ReadPassphraseLine(ends[0], passphrase, error));
  EXPECT_EQ(passphrase.View(), "last");
  EXPECT_FALSE(ReadPassphraseLine(ends[0], passphrase, error));
  EXPECT_THAT(error, HasSubstr("input ended"));
  close(ends[0]);
  EXPECT_FALSE(ReadPassphraseLine(ends[0], passphrase, error));
  EXPECT_THAT(error, HasSubstr("Bad file descriptor"));
}

}  // namespace
}  // namespace ombrix
