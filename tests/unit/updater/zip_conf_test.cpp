#include "updater/zip_conf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/string_convert.h"

namespace {

const std::wstring kModule = L"C:\\A\\B\\temp\\Updater.exe";

// Collects what the updater's logger sends to the debugger output.
class CapturedLog {
 public:
  CapturedLog() {
    platform::SetDebugOutputSink([this](const char* piece) { text_ += piece; });
  }
  ~CapturedLog() { platform::SetDebugOutputSink(nullptr); }
  std::vector<std::string> lines() const {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text_.find('\n', start)) != std::string::npos; start = end + 1) {
      result.push_back(text_.substr(start, end - start));
    }
    return result;
  }

 private:
  std::string text_;
};

// The text after the line prefix "[ZVK][T][date time] ".
std::string Body(const std::string& line) {
  const std::size_t end = line.find("] ");
  return end == std::string::npos ? line : line.substr(end + 2);
}

TEST(ZipConfFolders, UpdaterInTempDerivesPackageLauncherAndInstallTarget) {
  const ZipConf conf = BuildZipConf(L"-url=http://h/p.zip", kModule);
  EXPECT_EQ(WideFromPath(conf.zipPath), L"C:\\A\\B\\temp\\update.zip");
  EXPECT_EQ(WideFromPath(conf.clientExePath), L"C:\\A\\B\\ZVKLaunch.exe");
  EXPECT_EQ(WideFromPath(conf.clientDic), L"C:\\A\\B\\");
  EXPECT_TRUE(conf.launchAfterInstall);
}

TEST(ZipConfFolders, SpacesAndNonAsciiCharactersSurviveInThePaths) {
  const ZipConf conf =
      BuildZipConf(L"", L"D:\\Program Files\\\u5ba2\u6237\u7aef\\\u4e34\u65f6 dir\\Updater.exe");
  EXPECT_EQ(WideFromPath(conf.zipPath),
            L"D:\\Program Files\\\u5ba2\u6237\u7aef\\\u4e34\u65f6 dir\\update.zip");
  EXPECT_EQ(WideFromPath(conf.clientExePath), L"D:\\Program Files\\\u5ba2\u6237\u7aef\\ZVKLaunch.exe");
  EXPECT_EQ(WideFromPath(conf.clientDic), L"D:\\Program Files\\\u5ba2\u6237\u7aef\\");
}

TEST(ZipConfFolders, ShallowModulePathsGiveEmptyLevelsInsteadOfGuesses) {
  const UpdaterFolders root = DeriveUpdaterFolders(L"C:\\Updater.exe");
  EXPECT_EQ(root.updaterDir, L"C:\\");
  EXPECT_EQ(root.parentDir, L"");
  const UpdaterFolders bare = DeriveUpdaterFolders(L"Updater.exe");
  EXPECT_EQ(bare.updaterDir, L"");
  EXPECT_EQ(WideFromPath(BuildZipConf(L"", L"").zipPath), L"update.zip");
}

TEST(ZipConfUrl, UrlFieldCarriesTheDigestAfterAQuestionMark) {
  const ZipConf conf = BuildZipConf(L"-url=http://127.0.0.1:8080/pkg/u.zip -md5=0123abcd", kModule);
  EXPECT_EQ(conf.url, "http://127.0.0.1:8080/pkg/u.zip?0123abcd");
  EXPECT_EQ(conf.zipMd5, "0123abcd");
  EXPECT_EQ(conf.host, "127.0.0.1:8080");
  EXPECT_EQ(conf.requestPath, "/pkg/u.zip");
}

TEST(ZipConfUrl, EmptyDigestStillLeavesTheQuestionMark) {
  EXPECT_EQ(BuildZipConf(L"-url=http://h/p -md5=", kModule).url, "http://h/p?");
  const ZipConf empty = BuildZipConf(L"", kModule);
  EXPECT_EQ(empty.url, "?");
  EXPECT_EQ(empty.host, "");
  EXPECT_EQ(empty.requestPath, "");
  EXPECT_EQ(empty.pagecallparam, L"");
}

TEST(ZipConfUrl, OnlyLowerCaseSchemesAreRecognised) {
  const ZipConf https = BuildZipConf(L"-url=https://h:8443/p.zip", kModule);
  EXPECT_EQ(https.host, "https://h:8443");
  EXPECT_EQ(https.requestPath, "/p.zip");
  const UrlParts upper = SplitPackageUrl(L"HTTP://h/p.zip");
  EXPECT_EQ(upper.host, L"HTTP:");
  EXPECT_EQ(upper.requestPath, L"//h/p.zip");
  const UrlParts inside = SplitPackageUrl(L"xhttp://h/p");
  EXPECT_EQ(inside.host, L"xhttp:");
}

TEST(ZipConfUrl, UrlWithoutSlashOrOutsideAsciiHasEmptyHost) {
  const ZipConf conf = BuildZipConf(L"-url=http://host.only:81", kModule);
  EXPECT_EQ(conf.host, "");
  EXPECT_EQ(conf.requestPath, "host.only:81");
  const UrlParts schemeOnly = SplitPackageUrl(L"http://");
  EXPECT_EQ(schemeOnly.host, L"");
  EXPECT_EQ(schemeOnly.requestPath, L"");
  const UrlParts rootOnly = SplitPackageUrl(L"http:///");
  EXPECT_EQ(rootOnly.host, L"");
  EXPECT_EQ(rootOnly.requestPath, L"/");
  CapturedLog log;
  const ZipConf fullWidth = BuildZipConf(L"-url=http://\uff45\uff58.com/p.zip", kModule);
  EXPECT_EQ(fullWidth.host, "") << "a host outside ASCII was converted by best fit";
  ASSERT_FALSE(log.lines().empty());
  EXPECT_EQ(log.lines()[0].rfind("[ZVK][E][", 0), 0u) << log.lines()[0];
}

TEST(ZipConfForced, AbsentOrNonNumericIsZeroAndOtherNumbersAreKept) {
  EXPECT_EQ(BuildZipConf(L"-url=x", kModule).forcedupdate, 0);
  EXPECT_EQ(BuildZipConf(L"-forcedupdate=yes", kModule).forcedupdate, 0);
  EXPECT_EQ(BuildZipConf(L"-forcedupdate=", kModule).forcedupdate, 0);
  EXPECT_EQ(BuildZipConf(L"-forcedupdate=1", kModule).forcedupdate, 1);
  EXPECT_EQ(BuildZipConf(L"-forcedupdate=2", kModule).forcedupdate, 2);
  EXPECT_EQ(BuildZipConf(L"-ForcedUpdate=\" 12abc\"", kModule).forcedupdate, 12);
}

TEST(ZipConfForced, AtoiReadsSignsAndClampsInsteadOfOverflowing) {
  EXPECT_EQ(WideAtoi(L"-3"), -3);
  EXPECT_EQ(WideAtoi(L"+7x"), 7);
  EXPECT_EQ(WideAtoi(L"2147483647"), 2147483647);
  EXPECT_EQ(WideAtoi(L"99999999999999999999999"), 2147483647);
  EXPECT_EQ(WideAtoi(L"-2147483648"), -2147483647 - 1);
  EXPECT_EQ(WideAtoi(L"-99999999999999999999999"), -2147483647 - 1);
  EXPECT_EQ(WideAtoi(L"- 1"), 0);
}

TEST(ZipConfValues, PageParameterAndDigestKeepTheirText) {
  const ZipConf conf = BuildZipConf(L"-pagecallparam=\"open page=1 x\" -md5=AbC", kModule);
  EXPECT_EQ(conf.pagecallparam, L"open page=1 x");
  EXPECT_EQ(conf.zipMd5, "AbC");
  const ZipConf wide = BuildZipConf(L"-pagecallparam=\u8bfe\u7a0b?name=Jos\u00e9", kModule);
  EXPECT_EQ(wide.pagecallparam, L"\u8bfe\u7a0b?name=Jos\u00e9");
}

TEST(ZipConfLog, FourTraceLinesWithQuotedFolders) {
  CapturedLog log;
  BuildZipConf(L"-md5=m5 -url=http://h/p", L"C:\\A&B\\x\"y\\temp\\Updater.exe");
  const std::vector<std::string> lines = log.lines();
  ASSERT_EQ(lines.size(), 4u);
  for (const std::string& line : lines) EXPECT_EQ(line.rfind("[ZVK][T][", 0), 0u) << line;
  EXPECT_EQ(Body(lines[0]), "zipPath: C:\\A&B\\x\"y\\temp\\update.zip");
  EXPECT_EQ(Body(lines[1]), "zipMd5: m5");
  EXPECT_EQ(Body(lines[2]), "clientDic: \"C:\\A&&B\\x&\"y\\\"");
  EXPECT_EQ(Body(lines[3]), "clientExePath: \"C:\\A&&B\\x&\"y\\ZVKLaunch.exe\"");
}

TEST(ZipConfLog, QuotingEscapesOnlyQuotesAndAmpersands) {
  EXPECT_EQ(QuotedPathText(PathFromWide(L"C:\\a b\\")), "\"C:\\a b\\\"");
  EXPECT_EQ(QuotedPathText(PathFromWide(L"")), "\"\"");
  EXPECT_EQ(QuotedPathText(PathFromWide(L"&\"&")), "\"&&&\"&&\"");
}

}  // namespace
