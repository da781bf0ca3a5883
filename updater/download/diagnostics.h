#pragma once
// The engine's few diagnostics go to standard output, one whole line per call
// so that lines of parallel transfers do not interleave.

#include <string>

void PrintDiagnostic(const std::string& line);
