// The entry point of the Windows programs, ahead of the C runtime's own.
//
// The programs run elevated from folders that others may write (the updater
// from temp\), so DLLs must come from the system folder before anything can
// load one: the C runtime's start-up and the static initialisers run before
// wWinMain, and some of them start Winsock, which loads its providers and
// their imports by name. Linked with -e ZvkProcessEntry (see
// zvk_gui_program).
#include "platform/system_library_win32.h"

extern "C" {

// MinGW-w64's start-up for GUI programs (Unicode ones too): runs the
// initialisers, then wWinMain, then ends the process.
int WinMainCRTStartup(void);

#if defined(__i386__)
// Windows enters with a 4-byte aligned stack; the compiler's code expects 16.
__attribute__((force_align_arg_pointer))
#endif
int ZvkProcessEntry(void) {
  platform::LoadLibrariesOnlyFromSystem();
  return WinMainCRTStartup();
}

}  // extern "C"
