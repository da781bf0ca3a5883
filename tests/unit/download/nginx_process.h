#pragma once
// nginx on loopback for the native tests, with a generated configuration,
// stopped by its pid when the object goes away.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/unit/download/child_process.h"

namespace download_test {

class NginxProcess {
 public:
  // Serves package as /u.zip from dir/www on a free port of 127.0.0.1, with
  // limitRate per connection (nginx syntax; empty for none). Each of
  // extraServers is the inside of one more server block serving the same
  // folder (its listen line and whatever else it needs).
  NginxProcess(const std::filesystem::path& dir, const std::string& package, const std::string& limitRate,
               const std::vector<std::string>& extraServers = {});
  ~NginxProcess();
  NginxProcess(const NginxProcess&) = delete;
  NginxProcess& operator=(const NginxProcess&) = delete;

  // True once every server listens (they all start with the process).
  bool Ready();
  std::string HostText() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  unsigned short port_;
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace download_test
