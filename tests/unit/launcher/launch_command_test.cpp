#include "launcher/launch_command.h"

#include <gtest/gtest.h>

using launcher::ParseLaunchCommandLine;

TEST(LaunchCommandLine, QuotedUrlKeepsItsClosingQuotationMark) {
  const auto request = ParseLaunchCommandLine(L"\"quillaneth://course?id=7\"");
  EXPECT_TRUE(request.schemeFound);
  EXPECT_EQ(request.urlText, L"course?id=7\"");
  EXPECT_EQ(request.clientParameters, L"course?id=7\"");
}

TEST(LaunchCommandLine, WithoutSchemeTheClientGetsTheWholeCommandLine) {
  const auto request = ParseLaunchCommandLine(L"-x");
  EXPECT_FALSE(request.schemeFound);
  EXPECT_TRUE(request.urlText.empty());
  EXPECT_EQ(request.clientParameters, L"-x");
}

TEST(LaunchCommandLine, CapitalisedSchemeIsNotRecognised) {
  const auto request = ParseLaunchCommandLine(L"QUILLANETH://a");
  EXPECT_FALSE(request.schemeFound);
  EXPECT_EQ(request.clientParameters, L"QUILLANETH://a");
  EXPECT_FALSE(ParseLaunchCommandLine(L"Quillaneth://a").schemeFound);
}

TEST(LaunchCommandLine, SchemeInTheMiddleTakesEverythingAfterIt) {
  const auto request = ParseLaunchCommandLine(L"-o quillaneth://a b");
  EXPECT_TRUE(request.schemeFound);
  EXPECT_EQ(request.urlText, L"a b");
}

TEST(LaunchCommandLine, FirstOccurrenceOfTheSchemeCounts) {
  EXPECT_EQ(ParseLaunchCommandLine(L"quillaneth://x quillaneth://y").urlText, L"x quillaneth://y");
}

TEST(LaunchCommandLine, EmptyCommandLineGivesEmptyParameters) {
  const auto request = ParseLaunchCommandLine(L"");
  EXPECT_FALSE(request.schemeFound);
  EXPECT_TRUE(request.clientParameters.empty());
}

TEST(LaunchCommandLine, SchemeAloneGivesEmptyUrlText) {
  const auto request = ParseLaunchCommandLine(L"quillaneth://");
  EXPECT_TRUE(request.schemeFound);
  EXPECT_TRUE(request.urlText.empty());
  EXPECT_TRUE(request.clientParameters.empty());
}

TEST(ParentDirectory, CutsAtTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(launcher::ParentDirectory(L"C:\\Program Files\\App\\ZVKLaunch.exe"), L"C:\\Program Files\\App");
  EXPECT_EQ(launcher::ParentDirectory(L"C:\\a/b\\c/ZVKLaunch.exe"), L"C:\\a/b\\c");
  EXPECT_EQ(launcher::ParentDirectory(L"ZVKLaunch.exe"), L"");
}

TEST(ParentDirectory, LauncherAtADriveRootKeepsTheRootSeparator) {
  EXPECT_EQ(launcher::ParentDirectory(L"C:\\ZVKLaunch.exe"), L"C:\\");
  EXPECT_EQ(launcher::ParentDirectory(L"C:\\App\\ZVKLaunch.exe"), L"C:\\App");
}
