#include <gtest/gtest.h>

#include <climits>

#include "ConsistencyError.h"
#include "FilesTestSupport.h"
#include "OmFile.h"

namespace ombrix::testing {
namespace {

using OmFileTest = FileTest;

TEST_F(OmFileTest, WritesHeadersOnSectionChangesCrLfEndsAndCutsLongValues) {
  TOmOutFile out(Path("a.omx"));
  out.WriteInteger("Status", "Version", 256);
  out.WriteString("Status", "Name", "two\nlines\r");
  out.WriteDateTime("Status", "StartTime", 0);
  out.WriteString("Status", "Comment", std::string(3000, 'c'));
  out.WriteBool("Log", "T0", true);
  ASSERT_TRUE(out.Commit()) << out.Error();
  const std::string cut(kLineLength - 8, 'c');  // the line "Comment=..." stays at 1023
  EXPECT_EQ(ReadBytes(Path("a.omx")),
            "<Status>\r\nVersion=256\r\nName=two lines \r\nStartTime=\r\n"
            "Comment=" +
                cut + "\r\n<Log>\r\nT0=1\r\n");
}

TEST_F(OmFileTest, ReadsByKeyWhateverTheLineEnds) {
  // LF and CR LF mixed, blank lines, blanks around names and numbers, "=" in a value and a line
  // beyond the limit.
  TOmInFile in(Path("in.omx"), "  <Status>\r\n\r\nA=  -17 \nC=x=y\r\nD=" + std::string(2000, 'z') +
                                   "\n <Log> \nT0=+3\r\n");
  in.Parse({"Status", "Log"});
  EXPECT_EQ(in.ReadInteger("Status", "A", 0), -17);
  EXPECT_EQ(in.ReadString("Status", "B", "default"), "default");
  EXPECT_EQ(in.ReadString("Status", "C", "-"), "x=y");
  EXPECT_EQ(in.ReadString("Status", "D", "-"), std::string(kLineLength - 2, 'z'));
  EXPECT_EQ(in.ReadInteger("Log", "T0", 0), 3);
  EXPECT_TRUE(in.ReadBool("Log", "T1", true));
  EXPECT_EQ(in.HeaderLine("Log"), 6);
  for (const auto& [text, value] :
       {std::pair{"2147483647", 2147483647}, {"-2147483648", INT_MIN}, {"007", 7}}) {
    EXPECT_EQ(TOmInFile::ParseInteger(text), value) << text;
  }
  for (const char* text : {"", "-", "2147483648", "1e3", "0x10", "12 3", "ten"}) {
    EXPECT_FALSE(TOmInFile::ParseInteger(text)) << text;
  }
}

TEST_F(OmFileTest, UnopenedFilesFailTheConsistencyCheck) {
  auto expectCheck = [](auto&& operation) {
    try {
      operation();
      ADD_FAILURE() << "no consistency error";
    } catch (const ConsistencyError& e) {
      EXPECT_EQ(std::string(e.what()), "Error on file OmFile line " + std::to_string(e.Line()));
    }
  };
  TOmInFile in(Path("missing.omx"));
  EXPECT_FALSE(in.IsOpen());
  expectCheck([&] { in.Parse({"Status"}); });
  TOmInFile unparsed(Path("x.omx"), "<Status>\r\n");
  expectCheck([&] { unparsed.ReadString("Status", "Version", "0"); });
  TOmOutFile out(Path("no/such/folder/x.omx"));
  EXPECT_NE(out.Error().find("x.omx"), std::string::npos) << out.Error();
  expectCheck([&] { out.WriteInteger("Status", "Version", 1); });
  expectCheck([&] { out.Flush(); });
  TOmOutFile done(Path("done.omx"));
  ASSERT_TRUE(done.Commit());
  expectCheck([&] { done.WriteInteger("Status", "Version", 1); });
}

TEST_F(OmFileTest, AnAbandonedWriterLeavesTheOldFile) {
  Write("old.omx", "old contents");
  {
    TOmOutFile out(Path("old.omx"));
    out.WriteInteger("Status", "Version", 256);
    out.Flush();
  }
  EXPECT_EQ(ReadBytes(Path("old.omx")), "old contents");
  EXPECT_EQ(Entries(), QStringList{"old.omx"});
}

}  // namespace
}  // namespace ombrix::testing
