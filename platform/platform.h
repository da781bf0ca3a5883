#pragma once
// The few operating-system services the portable libraries need. Each has a
// Win32 implementation (platform_win32.cpp) and a POSIX one (platform_posix.cpp).

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Folder of the running executable, ending with its separator ("C:\\A\\temp\\").
std::wstring ModuleDirectory();

// Full path of the running executable.
std::wstring ModulePath();

// Milliseconds since an arbitrary start; wraps like GetTickCount. Intervals are
// measured by unsigned subtraction.
std::uint32_t TickCount();

void SleepMs(std::uint32_t milliseconds);

// Sends one piece of text to the debugger output (OutputDebugStringA on
// Windows). Any thread may call it.
void DebugOutput(const char* text);

// Replaces the debugger output, for tests; an empty function restores it.
// Natively the default output discards the text.
using DebugOutputSink = std::function<void(const char* text)>;
void SetDebugOutputSink(DebugOutputSink sink);

}  // namespace platform
