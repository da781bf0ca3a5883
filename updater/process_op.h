#pragma once
// Finding and stopping the Client's processes by executable name. No state;
// any thread may call these.

#include <cstdint>
#include <string>

// Process id of the first running process whose executable file name equals
// `name` without regard to ASCII case; 0 when there is none or the process
// list cannot be read (then one ERROR line is logged).
std::uint32_t FindProcess_ByName(const std::string& name);

// Terminates "zvkclient.exe" and "mrwclient.exe" with exit code 9 where they
// run and can be opened. True only when "mrwclient.exe" was found and
// terminated; the Client's own outcome does not enter the result.
bool KillClient();

// KillClient, then: when it returned true, polls every 100 ms for at most
// 3000 ms until "zvkclient.exe" is gone; otherwise checks once. True when the
// Client is known to be gone.
bool KillClientAndWait();
