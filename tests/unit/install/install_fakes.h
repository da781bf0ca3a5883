#pragma once
// Fake services for the install step: a clock that only moves when the step
// sleeps, a Client that survives a given number of stops, and a journal of
// what the step did, in order.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/string_convert.h"
#include "updater/install_step.h"

namespace install_test {

struct FakeWorld {
  std::uint32_t now = 1000;
  int clientStopsNeeded = 0;  // the Client is gone after this many kills; -1: never
  int extractResult = 0;
  bool folderWritable = true;
  bool packageRefused = false;  // the package fails its check on opening
  std::vector<std::string> journal;
  std::vector<std::wstring> extractCalls;
  std::wstring openedPackage;

  InstallServices services() {
    InstallServices s;
    s.findClient = [this]() -> std::uint32_t { return clientStopsNeeded != 0 ? 77 : 0; };
    s.killClientAndWait = [this] {
      journal.push_back("kill");
      if (clientStopsNeeded > 0) --clientStopsNeeded;
    };
    s.sleep = [this](std::uint32_t ms) { now += ms; };
    s.tickCount = [this] { return now; };
    // Any open file stands for the checked package.
    s.openPackage = [this](const std::filesystem::path& package, std::string& why) {
      openedPackage = package.wstring();
      why = "changed";
      return packageRefused ? platform::File() : platform::File::OpenForRead(platform::ModulePath());
    };
    s.extract = [this](platform::File&, const std::wstring& folder) {
      journal.push_back("extract");
      extractCalls.push_back(openedPackage + L"|" + folder);
      return extractResult;
    };
    s.mayWriteFolder = [this](const std::filesystem::path&) { return folderWritable; };
    s.showInstallFailure = [this] { journal.push_back("failure box"); };
    s.runLaunchWindow = [this](const std::function<void()>& afterClose) {
      journal.push_back("launch window");
      afterClose();
      journal.push_back("launch window destroyed");
    };
    s.startLauncher = [this](const std::wstring& path, const std::wstring& parameters) {
      journal.push_back("launcher " + WideToAnsi(path) + " [" + WideToAnsi(parameters) + "]");
    };
    return s;
  }
};

// Collects the updater logger's lines (the text after the line prefix).
class CapturedLog {
 public:
  CapturedLog() {
    platform::SetDebugOutputSink([this](const char* piece) { text_ += piece; });
  }
  ~CapturedLog() { platform::SetDebugOutputSink(nullptr); }
  std::vector<std::string> bodies() const {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text_.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = text_.substr(start, end - start);
      const std::size_t body = line.find("] ");
      result.push_back(body == std::string::npos ? line : line.substr(body + 2));
    }
    return result;
  }
  bool has(const std::string& body) const {
    for (const std::string& line : bodies()) {
      if (line == body) return true;
    }
    return false;
  }
  std::string text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace install_test
