#pragma once
// The two windows of the install step, each shown modally on the calling
// thread and destroyed before returning.

// The tips box that says the package could not be installed, with the
// "Go Downloading Page" button (Chinese or English by the UI language).
void ShowInstallFailureBox();

// The launch window that says the update is complete, centred on the screen.
void ShowLaunchWindow();
