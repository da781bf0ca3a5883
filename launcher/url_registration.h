#pragma once
// Points the shell command of the quillaneth URL scheme at this launcher.
// Windows only.

// Writes the default value of HKCR\quillaneth\shell\open\command. Failures
// are silent except a refused value, which is logged; the caller carries on.
void WriteRegFun();
