#include "updater/windows/progress_text.h"

#include <cstdint>

namespace updater_ui {

namespace {

std::wstring Cut(std::wstring text) {
  if (text.size() > kMaxLineChars) text.resize(kMaxLineChars);
  return text;
}

// Only the one %d of the suffix formats is expanded.
std::wstring ExpandCount(const std::wstring& format, int count) {
  const std::size_t at = format.find(L"%d");
  if (at == std::wstring::npos) return format;
  return format.substr(0, at) + std::to_wstring(count) + format.substr(at + 2);
}

}  // namespace

std::int64_t PercentOf(std::int64_t downloaded, std::int64_t total) {
  if (total == 0) return 0;
  // A size near the top of the range would overflow the multiplication; the
  // shown percentage is clamped anyway, so saturate instead.
  constexpr std::int64_t kLimit = INT64_MAX / 100;
  if (downloaded > kLimit || downloaded < -kLimit) return downloaded > 0 ? 100 : -1;
  return downloaded * 100 / total;
}

int ShownPercent(std::int64_t percent) {
  if (static_cast<std::uint64_t>(percent) >= 100u) return 100;
  return static_cast<int>(percent);
}

std::wstring RetrySuffix(UiLanguage language, int retryCount) {
  if (retryCount == 0) return std::wstring();
  return Cut(ExpandCount(RetrySuffixFormat(language), retryCount));
}

std::wstring ProgressLine(UiLanguage language, bool forced, int percent, int retryCount) {
  std::wstring line = ProgressLineText(language, forced);
  line += L"...";
  line += std::to_wstring(percent);
  line += L"%";
  line += RetrySuffix(language, retryCount);
  return Cut(line);
}

}  // namespace updater_ui
