#include "launcher/restart_prompt.h"

namespace launcher {

RestartPrompt RestartPromptFor(unsigned short uiLanguage) {
  constexpr unsigned short kChineseSimplified = 0x0804;
  if (uiLanguage == kChineseSimplified) return {L"检测到程序正在运行，是否重新打开!", L"提示"};
  return {L"Another program is already in progress, start new one?", L"Prompt"};
}

}  // namespace launcher
