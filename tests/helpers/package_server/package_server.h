#pragma once
// A scripted HTTP/1.1 package server on 127.0.0.1 for tests: it serves one
// package with byte ranges and can misbehave on purpose (ignore Range, split
// the head, redirect, answer 416 or garbage, lie about the length, stall,
// close early, serve a wrong body). Usable in-process; package_server_main.cpp
// wraps it as a program.
//
// Every request takes the next behaviour of the script queue, or the default
// behaviour when the queue is empty. All work runs on one internal thread;
// the public calls are thread-safe.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace package_server {

enum class Behaviour {
  kNormal,               // 206 from the Range offset (200 without Range), 416 past the end
  kIgnoreRange,          // 200 with the whole package, whatever the Range
  kSplitHead,            // the head in small pieces; its last piece shares a write with the body
  kHeadAlone,            // the head alone in one write, the body after a pause
  kRedirect,             // 302 with the configured Location text
  kRangeNotSatisfiable,  // 416
  kGarbage,              // a status line that is not HTTP
  kWrongLength,          // claims a total larger than the package
  kStallBeforeHead,      // reads the request and never answers
  kStallMidBody,         // sends the head and part of the body, then stalls
  kEarlyClose,           // sends the head and part of the body, then closes
  kWrongBody,            // the right head, a body with one byte changed
  kHugeHead,             // a head that never ends within 64 KiB
};

// Parses a behaviour name as the program takes it ("normal", "ignore-range",
// "split-head", ...); false for an unknown name.
bool ParseBehaviour(const std::string& name, Behaviour& behaviour);

struct RecordedRequest {
  std::string text;               // the request head as received, with its blank line
  std::string host;               // value of the Host line
  std::string path;               // request target
  std::int64_t rangeOffset = -1;  // N of "Range: bytes=N-", -1 without a Range line
};

struct ServerOptions {
  Behaviour defaultBehaviour = Behaviour::kNormal;
  std::string location;              // Location text of kRedirect
  std::uint32_t partialBytes = 0;    // body bytes before a stall or early close; 0: a quarter
  std::uint32_t bytesPerSecond = 0;  // per connection; 0: unthrottled
  std::uint16_t port = 0;            // 0: an ephemeral port
};

class PackageServer {
 public:
  PackageServer(std::string package, ServerOptions options = {});
  // Closes every connection and stops; returns once the internal thread ended.
  ~PackageServer();
  PackageServer(const PackageServer&) = delete;
  PackageServer& operator=(const PackageServer&) = delete;

  std::uint16_t port() const { return port_; }
  // "127.0.0.1:<port>", the host text of a URL to this server.
  std::string hostText() const;

  // Behaviours for the next requests, one each, in order.
  void Script(std::vector<Behaviour> behaviours);
  void SetDefaultBehaviour(Behaviour behaviour);
  void SetLocation(const std::string& location);
  void SetPackage(std::string package);

  std::vector<RecordedRequest> Requests() const;
  std::size_t RequestCount() const;
  // Package bytes written to connections so far (heads and literals not counted).
  std::uint64_t PackageBytesSent() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

}  // namespace package_server
