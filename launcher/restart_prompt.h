#pragma once
// The question asked when a Client already runs.

namespace launcher {

struct RestartPrompt {
  const wchar_t* text;
  const wchar_t* caption;
};

// Chinese for UI language 0x0804 only; English for every other language,
// the other Chinese variants included.
RestartPrompt RestartPromptFor(unsigned short uiLanguage);

}  // namespace launcher
