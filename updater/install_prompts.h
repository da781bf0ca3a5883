#pragma once
// The two windows of the install step, each shown modally on the calling
// thread and destroyed before returning.

#include <functional>

// The tips box that says the package could not be installed, with the
// "Go Downloading Page" button (Chinese or English by the UI language).
void ShowInstallFailureBox();

// The launch window that says the update is complete, centred on the screen.
// Once the user has closed it, calls `afterClose`, then destroys the window.
void RunLaunchWindow(const std::function<void()>& afterClose);
