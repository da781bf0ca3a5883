#pragma once
// A child process for the native tests: started with posix_spawn, killed and
// reaped by its pid when the object goes away.

#include <sys/types.h>

#include <string>
#include <vector>

namespace download_test {

class ChildProcess {
 public:
  // Starts program with arguments; standard output goes to outputFile when
  // given. Check running() for success.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& outputFile = "");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // Sends signal and reaps the child; returns its wait status.
  int Kill(int signal);
  // Waits for the child to end by itself, at most timeoutMs; returns its exit
  // code, or -1 when it had to be killed.
  int Wait(unsigned timeoutMs);

 private:
  pid_t pid_ = -1;
};

// A port on 127.0.0.1 that was free a moment ago.
unsigned short FreeLoopbackPort();
// True once something accepts connections on 127.0.0.1:port, within timeoutMs.
bool WaitForListener(unsigned short port, unsigned timeoutMs);

}  // namespace download_test
