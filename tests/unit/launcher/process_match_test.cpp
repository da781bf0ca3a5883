#include "launcher/process_match.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

using launcher::SameImageName;

TEST(ImageName, MatchesOnlyTheExactName) {
  EXPECT_TRUE(SameImageName(L"zvkclient.exe", L"zvkclient.exe"));
  EXPECT_FALSE(SameImageName(L"ZvkClient.exe", L"zvkclient.exe"));
  EXPECT_FALSE(SameImageName(L"zvkclient.exe.bak", L"zvkclient.exe"));
  EXPECT_FALSE(SameImageName(L"zvkclient.ex", L"zvkclient.exe"));
  EXPECT_FALSE(SameImageName(L"", L"zvkclient.exe"));
}

TEST(ImageName, ReadsNoFurtherThanTheEntryField) {
  // A field without its NUL is read up to its size and no further.
  std::vector<wchar_t> field(launcher::kImageNameChars, L'a');
  EXPECT_TRUE(SameImageName(field.data(), std::wstring(launcher::kImageNameChars, L'a')));
}

TEST(SessionFilter, OnlyProcessesKnownToRunInTheLaunchersSessionAreAccepted) {
  constexpr unsigned long kLauncher = 10;
  const std::map<unsigned long, unsigned long> sessions = {{kLauncher, 1}, {20, 1}, {30, 2}, {40, 0}};
  const auto lookup = [&sessions](unsigned long id) -> std::optional<unsigned long> {
    const auto found = sessions.find(id);
    if (found == sessions.end()) return std::nullopt;
    return found->second;
  };
  struct Case {
    unsigned long launcher, process;
    bool accepted;
  };
  const Case cases[] = {
      {kLauncher, 20, true},   // the user's own Client
      {kLauncher, 30, false},  // another user's Client
      {kLauncher, 40, false},  // a service's process in session 0
      {kLauncher, 99, false},  // session unknown: perhaps another user's
      {98, 20, false},         // the launcher's own session unknown
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::SessionFilter(c.launcher, lookup).accepts(c.process), c.accepted)
        << c.launcher << " " << c.process;
  }
}

namespace {

struct Recorder {
  std::vector<std::vector<int>>* batches;
  void operator()(std::vector<int>& handles) const { batches->push_back(handles); }
};

std::vector<std::vector<int>> Collect(int count) {
  std::vector<std::vector<int>> batches;
  launcher::TerminationBatch<int, Recorder> batch(Recorder{&batches});
  for (int i = 0; i < count; ++i) batch.add(i);
  batch.finish();
  return batches;
}

}  // namespace

TEST(TerminationBatch, EveryMatchBeyondTheTableIsStillTerminatedInOrder) {
  const auto batches = Collect(2500);
  ASSERT_EQ(batches.size(), 3u);
  EXPECT_EQ(batches[0].size(), 1024u);
  EXPECT_EQ(batches[1].size(), 1024u);
  EXPECT_EQ(batches[2].size(), 452u);
  int expected = 0;
  for (const auto& batch : batches) {
    for (int handle : batch) EXPECT_EQ(handle, expected++);
  }
}

TEST(TerminationBatch, ExactlyOneFullTableIsOneBatch) { EXPECT_EQ(Collect(1024).size(), 1u); }

TEST(TerminationBatch, NoMatchTerminatesNothing) { EXPECT_TRUE(Collect(0).empty()); }
