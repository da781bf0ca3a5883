#pragma once
// The UI language of the running user, asked anew at every call.

#include "updater/windows/ui_texts.h"

namespace updater_ui {

// Chinese when GetUserDefaultUILanguage() is 2052, English otherwise.
UiLanguage CurrentUiLanguage();

}  // namespace updater_ui
