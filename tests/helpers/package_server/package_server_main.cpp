// The scripted package server as a program, for end-to-end tests. See README.md.
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "tests/helpers/package_server/package_server.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnSignal(int) { stopRequested = 1; }

int Usage() {
  std::cerr << "usage: package_server --file PATH [--port N] [--default NAME] [--script NAME,NAME,...]\n"
               "                      [--location TEXT] [--rate BYTES_PER_SECOND] [--partial BYTES]\n";
  return 2;
}

bool ReadFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool ParseScript(const std::string& text, std::vector<package_server::Behaviour>& script) {
  std::istringstream names(text);
  std::string name;
  while (std::getline(names, name, ',')) {
    package_server::Behaviour behaviour;
    if (!package_server::ParseBehaviour(name, behaviour)) return false;
    script.push_back(behaviour);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file;
  package_server::ServerOptions options;
  std::vector<package_server::Behaviour> script;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const std::string value = argv[i + 1];
    if (key == "--file") {
      file = value;
    } else if (key == "--port") {
      options.port = static_cast<std::uint16_t>(std::atoi(value.c_str()));
    } else if (key == "--default") {
      if (!package_server::ParseBehaviour(value, options.defaultBehaviour)) return Usage();
    } else if (key == "--script") {
      if (!ParseScript(value, script)) return Usage();
    } else if (key == "--location") {
      options.location = value;
    } else if (key == "--rate") {
      options.bytesPerSecond = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (key == "--partial") {
      options.partialBytes = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    } else {
      return Usage();
    }
  }
  std::string package;
  if (file.empty() || !ReadFile(file, package)) return Usage();
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  package_server::PackageServer server(std::move(package), options);
  server.Script(script);
  std::cout << "port " << server.port() << std::endl;
  while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::cout << "package bytes sent " << server.PackageBytesSent() << std::endl;
  return 0;
}
