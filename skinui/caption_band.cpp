#include "skinui/caption_band.h"

#include <cwchar>

namespace SkinUI {
namespace {

// Controls that take their own presses inside the band.
bool PassesThroughBand(const wchar_t* controlClass) {
  if (controlClass == nullptr) return false;
  return std::wcscmp(controlClass, L"ButtonUI") == 0 || std::wcscmp(controlClass, L"OptionUI") == 0 ||
         std::wcscmp(controlClass, L"TextUI") == 0;
}

}  // namespace

bool IsCaptionDragPoint(const UiRect& band, int clientWidth, UiPoint pt, const wchar_t* controlClass) {
  const bool inBand =
      pt.x >= band.left && pt.x < clientWidth - band.right && pt.y >= band.top && pt.y < band.bottom;
  return inBand && !PassesThroughBand(controlClass);
}

}  // namespace SkinUI
