#include "updater/download/response_header.h"

#include <gtest/gtest.h>

#include "tests/unit/download/test_support.h"
#include "updater/download/head_reader.h"

namespace {

struct Parsed {
  bool accepted;
  ResponseHeader header;
  std::string rest;
};

Parsed Parse(const std::string& head, const std::string& body = "") {
  Parsed parsed;
  parsed.rest = head + "\r\n\r\n" + body;
  parsed.accepted = ParseResponseHeader(parsed.header, parsed.rest, head.size());
  return parsed;
}

TEST(ResponseHeader, AcceptedHeadIsRemovedAndBodyBytesStay) {
  const Parsed p = Parse("HTTP/1.1 206 Partial Content\r\nContent-Length: 5", "hello");
  ASSERT_TRUE(p.accepted);
  EXPECT_EQ(p.rest, "hello");
  EXPECT_EQ(p.header.version, "HTTP/1.1");
  EXPECT_EQ(p.header.statusCode, 206);
  EXPECT_EQ(p.header.totalLength, 5);
}

TEST(ResponseHeader, ContentRangeTotalReplacesContentLength) {
  const Parsed a = Parse("HTTP/1.1 206 x\r\nContent-Length: 1000\r\nContent-Range: bytes 0-999/5000");
  EXPECT_EQ(a.header.contentRangeBegin, 0);
  EXPECT_EQ(a.header.totalLength, 5000);
  const Parsed b = Parse("HTTP/1.1 206 x\r\nContent-Range: bytes */5000");
  EXPECT_EQ(b.header.contentRangeBegin, 0);
  EXPECT_EQ(b.header.totalLength, 5000);
  const Parsed c = Parse("HTTP/1.1 206 x\r\nContent-Range: bytes 300-399/400\r\nContent-Length: 100");
  EXPECT_EQ(c.header.contentRangeBegin, 300);
  EXPECT_EQ(c.header.totalLength, 100) << "the last size line in the head decides";
}

TEST(ResponseHeader, ContentLengthAfterContentRangeDecides) {
  const Parsed p = Parse("HTTP/1.1 206 x\r\nContent-Range: bytes 0-9/5000\r\nContent-Length: 10");
  EXPECT_EQ(p.header.totalLength, 10);
}

TEST(ResponseHeader, NamesAreCaseInsensitiveAndOnlyCountAtTheStartOfALine) {
  struct Case {
    const char* head;
    std::int32_t total;
    const char* location;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\ncontent-length: 284", 284, ""},
      {"HTTP/1.1 206 x\r\ncontent-range: BYTES 0-9/5000", 5000, ""},
      {"HTTP/1.1 200 OK\r\nContent-Length:\t5000\r\nX-Orig-Content-Length: 284", 5000, ""},
      {"HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nX-Orig-Content-Length: abc", 5000, ""},
      {"HTTP/1.1 302 Found\r\nlocation:/pkg1.zip \r\nX-Location: /elsewhere", 0, "/pkg1.zip"},
  };
  for (const Case& c : cases) {
    const Parsed p = Parse(c.head);
    EXPECT_EQ(p.header.totalLength, c.total) << c.head;
    EXPECT_EQ(p.header.location, c.location) << c.head;
  }
}

TEST(ResponseHeader, NoSizeLinesGiveSizeZero) {
  const Parsed p = Parse("HTTP/1.1 200 OK\r\nContent-Type: text/plain");
  EXPECT_TRUE(p.accepted);
  EXPECT_EQ(p.header.totalLength, 0);
}

TEST(ResponseHeader, SizesOutsideThe32BitDesignGiveNoSize) {
  for (const char* line :
       {"Content-Length: -5", "Content-Length: 2147483648", "Content-Length: 99999999999999",
        "Content-Length: abc", "Content-Range: bytes 0-1/4294967297"}) {
    const Parsed p = Parse(std::string("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n") + line);
    EXPECT_EQ(p.header.totalLength, 0) << line;
  }
  const Parsed largest = Parse("HTTP/1.1 200 OK\r\nContent-Length: 2147483647");
  EXPECT_EQ(largest.header.totalLength, 2147483647);
}

TEST(ResponseHeader, OnlyTheLineThatSetsTheSizeLastDecidesWhetherItIsUsable) {
  EXPECT_EQ(Parse("HTTP/1.1 206 Partial Content\r\nX-Uncompressed-Content-Length: 12345\r\n"
                  "Content-Range: bytes 0-0/500")
                .header.totalLength,
            500);
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nContent-Length: abc\r\nContent-Length: 10").header.totalLength, 10);
  EXPECT_EQ(Parse("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-1/4294967297\r\n"
                  "Content-Length: 2")
                .header.totalLength,
            2);
}

TEST(ResponseHeader, NonHttpStatusLineIsRefused) {
  EXPECT_FALSE(Parse("HTTP 200 OK").accepted);
  EXPECT_FALSE(Parse("SSH-2.0 200").accepted);
  EXPECT_FALSE(Parse("").accepted);
  const Parsed p = Parse("HTTP/1.1 302 Found\r\nLocation: http://mirror:8080/pkg/u.zip");
  EXPECT_FALSE(p.accepted);
  EXPECT_EQ(p.header.statusCode, 302);
  EXPECT_EQ(p.header.location, "http://mirror:8080/pkg/u.zip");
}

TEST(SizeField, ReadsLikeAtoiWithinRange) {
  std::int32_t v = -1;
  EXPECT_TRUE(ParseSizeField("  42abc", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ParseSizeField("0", v));
  EXPECT_EQ(v, 0);
  EXPECT_FALSE(ParseSizeField("", v));
  EXPECT_FALSE(ParseSizeField("-1", v));
  EXPECT_FALSE(ParseSizeField("2147483648", v));
}

class ResponseHeaderFiles : public download_test::EngineTest {};

TEST_F(ResponseHeaderFiles, Status416DeletesTheJoinedFile) {
  download_test::WriteWholeFile(File("update.td"), "partial");
  download_test::WriteWholeFile(File("update.td0"), "segment");
  EXPECT_FALSE(Parse("HTTP/1.1 416 Range Not Satisfiable").accepted);
  EXPECT_FALSE(std::filesystem::exists(File("update.td")));
  EXPECT_TRUE(std::filesystem::exists(File("update.td0")));
}

TEST(HeadReader, HeadSplitOverManyReadsIsFoundWithTheBodyBytesBehindIt) {
  const std::string response = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc";
  HeadReader reader;
  for (std::size_t i = 0; i + 1 < response.size() - 3; ++i) {
    ASSERT_EQ(reader.Append(&response[i], 1), HeadReader::State::kIncomplete) << i;
  }
  ASSERT_EQ(reader.Append(&response[response.size() - 4], 4), HeadReader::State::kComplete);
  EXPECT_EQ(reader.headEnd(), response.find("\r\n\r\n"));
  EXPECT_EQ(reader.buffer(), response);
}

TEST(HeadReader, HeadEndingExactlyAtAReadsEndLeavesNoBody) {
  HeadReader reader;
  const std::string head = "HTTP/1.1 200 OK\r\n\r\n";
  ASSERT_EQ(reader.Append(head.data(), head.size()), HeadReader::State::kComplete);
  EXPECT_EQ(reader.buffer().size(), reader.headEnd() + 4);
}

TEST(HeadReader, HeadWithoutEndWithin64KiBIsTooLarge) {
  HeadReader reader;
  const std::string line = "X-Filler: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n";
  HeadReader::State state = HeadReader::State::kIncomplete;
  while (state == HeadReader::State::kIncomplete) state = reader.Append(line.data(), line.size());
  EXPECT_EQ(state, HeadReader::State::kTooLarge);
  EXPECT_LE(reader.buffer().size(), HeadReader::kMaxHeadBytes + line.size());
}

}  // namespace
