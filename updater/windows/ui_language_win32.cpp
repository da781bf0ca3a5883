#include <windows.h>

#include "updater/windows/ui_language.h"

namespace updater_ui {

UiLanguage CurrentUiLanguage() { return LanguageFromLangId(::GetUserDefaultUILanguage()); }

}  // namespace updater_ui
