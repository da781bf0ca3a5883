// The fake Client's record format, which the Windows tests and the demo read.
#include "client_record.h"

#include <gtest/gtest.h>

#include <string>

using fake_client::ParseRecord;

TEST(ClientRecord, PipeBytesSurviveTheRoundTripWithTheirNul) {
  const std::string bytes("course?id=7\"\0", 13);
  const auto lines = ParseRecord(fake_client::FormatRecordLine(42, "pipe", bytes));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].pid, 42u);
  EXPECT_EQ(lines[0].kind, "pipe");
  EXPECT_EQ(lines[0].value, bytes);
}

TEST(ClientRecord, LineBreaksBackslashesAndHighBytesAreEscaped) {
  const std::string bytes = "a\nb\\x41\r\xbf\xce";
  const std::string escaped = fake_client::EscapeRecordValue(bytes);
  EXPECT_EQ(escaped, "a\\x0ab\\\\x41\\x0d\\xbf\\xce");
  EXPECT_EQ(fake_client::UnescapeRecordValue(escaped), bytes);
}

TEST(ClientRecord, EmptyValuesAndMalformedLinesAreHandled) {
  const auto lines = ParseRecord("7 args \nnot a line\n8 cwd C:\\\\x\r\nx ready pipe\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].value, "");
  EXPECT_EQ(lines[1].value, "C:\\x");
}
