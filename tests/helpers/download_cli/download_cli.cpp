// Runs one download worker against a URL, as the updater would, and reports
// the outcome. Used by the kill-and-resume test and the benchmark.
//
//   download_cli --url http[s]://HOST[:PORT]/PATH --md5 HEX --folder DIR
//
// Prints "finished <ms>" or "failed <ms>", and the engine's log lines; exit
// code 0 when the package was downloaded and verified, 1 when every attempt
// failed, 2 for a bad command line.
#include <atomic>
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "updater/download/downloader.h"
#include "updater/download/engine_settings.h"

namespace {

class CliDownloader : public Downloader {
 public:
  CliDownloader(const std::string& url, const std::string& md5, const std::string& host,
                const std::string& path)
      : Downloader(url, md5, host, path, false) {}
  void DoInstall() override {}
};

// An https host keeps its scheme, as the updater's configuration does.
bool SplitUrl(const std::string& url, std::string& host, std::string& path) {
  const std::string plain = "http://";
  const std::string secure = "https://";
  std::string prefix;
  std::string rest;
  if (url.compare(0, plain.size(), plain) == 0) {
    rest = url.substr(plain.size());
  } else if (url.compare(0, secure.size(), secure) == 0) {
    prefix = secure;
    rest = url.substr(secure.size());
  } else {
    return false;
  }
  const auto slash = rest.find('/');
  host = prefix + rest.substr(0, slash);
  path = slash == std::string::npos ? "/" : rest.substr(slash);
  return host.size() > prefix.size();
}

int Usage() {
  std::cerr << "usage: download_cli --url http[s]://HOST[:PORT]/PATH --md5 HEX --folder DIR\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string url, md5, folder;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    if (key == "--url")
      url = argv[i + 1];
    else if (key == "--md5")
      md5 = argv[i + 1];
    else if (key == "--folder")
      folder = argv[i + 1];
    else
      return Usage();
  }
  std::string host, path;
  if (folder.empty() || !SplitUrl(url, host, path)) return Usage();
  if (folder.back() != '/' && folder.back() != '\\') folder += '/';
  download::SetUpdaterFolder(folder);
  platform::SetDebugOutputSink([](const char* text) { std::cout << text << std::flush; });

  const auto start = std::chrono::steady_clock::now();
  auto worker = std::make_shared<CliDownloader>(url, md5, host, path);
  worker->retryCallback = [](unsigned int attempt) {
    std::cout << "retry " << attempt << std::endl;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  };
  worker->Start();
  while (!worker->Idle()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  const bool finished = worker->finished != 0;
  std::cout << (finished ? "finished " : "failed ") << ms.count() << std::endl;
  worker.reset();
  engine_threads::WaitUntilNoneRun(5000);
  return finished ? 0 : 1;
}
