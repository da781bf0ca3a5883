#include "updater/cmd_line_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Values = CCmdLineParser::ValueMap;

Values Parse(const wchar_t* line) { return CCmdLineParser(line).Values(); }

TEST(CmdLineParser, SplitsSwitchesIntoKeysAndValues) {
  const CCmdLineParser parser(L"-url=http://h/p.zip -md5=abc -forcedupdate=1");
  EXPECT_EQ(parser.Values(),
            (Values{{L"url", L"http://h/p.zip"}, {L"md5", L"abc"}, {L"forcedupdate", L"1"}}));
}

TEST(CmdLineParser, LookupIgnoresKeyCaseAndValuesKeepTheirs) {
  const CCmdLineParser parser(L"-URL=http://Host/A.zip -Md5=AbC");
  std::wstring value;
  ASSERT_TRUE(parser.Lookup(L"url", value));
  EXPECT_EQ(value, L"http://Host/A.zip");
  EXPECT_EQ(parser.ValueOf(L"MD5"), L"AbC");
  EXPECT_EQ(parser.Values().count(L"url"), 1u);
}

TEST(CmdLineParser, QuotedValueKeepsSpacesAndParsingGoesOn) {
  EXPECT_EQ(Parse(L"-pagecallparam=\"a b\" -md5=x"), (Values{{L"pagecallparam", L"a b"}, {L"md5", L"x"}}));
}

TEST(CmdLineParser, UnterminatedQuoteRunsToTheEndOfTheLine) {
  EXPECT_EQ(Parse(L"-pagecallparam=\"a b -md5=x"), (Values{{L"pagecallparam", L"a b -md5=x"}}));
}

TEST(CmdLineParser, ParserKeepsFirstValueOfRepeatedKey) {
  EXPECT_EQ(Parse(L"-md5=first -MD5=second -md5=third"), (Values{{L"md5", L"first"}}));
}

TEST(CmdLineParser, SwitchWithoutSeparatorSwallowsTheFollowingSwitches) {
  const CCmdLineParser parser(L"-forcedupdate -url=x");
  EXPECT_EQ(parser.Values(), (Values{{L"forcedupdate -url", L"x"}}));
  std::wstring value;
  EXPECT_FALSE(parser.Lookup(L"url", value));
  EXPECT_FALSE(parser.Lookup(L"forcedupdate", value));
}

TEST(CmdLineParser, SwitchWithoutSeparatorAtTheEndTakesTheRestAsKey) {
  EXPECT_EQ(Parse(L"-md5=a -forcedupdate -x y"), (Values{{L"md5", L"a"}, {L"forcedupdate -x y", L""}}));
}

TEST(CmdLineParser, SeparatorAtTheEndGivesAnEmptyValue) {
  const CCmdLineParser parser(L"-url=u -md5=");
  std::wstring value = L"unchanged";
  ASSERT_TRUE(parser.Lookup(L"md5", value));
  EXPECT_EQ(value, L"");
  EXPECT_EQ(Parse(L"-="), Values{});
}

TEST(CmdLineParser, EmptyKeyStoresNothingAndParsingGoesOnAfterItsValue) {
  EXPECT_EQ(Parse(L"-=x -md5=y"), (Values{{L"md5", L"y"}}));
  EXPECT_EQ(Parse(L"-=\"x -url=in quotes\" -md5=y"), (Values{{L"md5", L"y"}}));
}

TEST(CmdLineParser, DashInsideAWordStartsAKey) {
  EXPECT_EQ(Parse(L"x-y=1"), (Values{{L"y", L"1"}}));
  // The value itself is not searched for switches, but what follows it is.
  EXPECT_EQ(Parse(L"-url=http://a-b/c-d=e"), (Values{{L"url", L"http://a-b/c-d=e"}}));
  EXPECT_EQ(Parse(L"-a=1 b-c=2"), (Values{{L"a", L"1"}, {L"c", L"2"}}));
}

TEST(CmdLineParser, OnlySpaceEndsAnUnquotedValue) {
  EXPECT_EQ(Parse(L"-a=1\t-b=2"), (Values{{L"a", L"1\t-b=2"}}));
  EXPECT_EQ(Parse(L"/a=1 -b:2 -c='x y'"), (Values{{L"b:2 -c", L"'x"}}));
}

TEST(CmdLineParser, TextBeforeTheFirstDashIsIgnored) {
  EXPECT_EQ(Parse(L"Updater.exe junk -md5=m"), (Values{{L"md5", L"m"}}));
}

TEST(CmdLineParser, EmptyNullAndDashOnlyLinesGiveAnEmptyMap) {
  EXPECT_EQ(Parse(L""), Values{});
  EXPECT_EQ(Parse(nullptr), Values{});
  EXPECT_EQ(Parse(L"-"), Values{});
  EXPECT_EQ(Parse(L"no switches here"), Values{});
}

TEST(CmdLineParser, TokenizeReplacesEarlierResultsAndIgnoresNull) {
  CCmdLineParser parser(L"-a=1");
  EXPECT_FALSE(parser.Tokenize(nullptr));
  EXPECT_EQ(parser.Values(), (Values{{L"a", L"1"}}));
  EXPECT_TRUE(parser.Tokenize(L"-b=2"));
  EXPECT_EQ(parser.Values(), (Values{{L"b", L"2"}}));
  EXPECT_EQ(parser.CommandLine(), L"-b=2");
}

TEST(CmdLineParser, CaseFlagIsIgnored) {
  const CCmdLineParser parser(L"-URL=x", true);
  EXPECT_EQ(parser.ValueOf(L"url"), L"x");
}

}  // namespace
