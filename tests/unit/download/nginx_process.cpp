#include "tests/unit/download/nginx_process.h"

#include <signal.h>

#include <fstream>

#include "tests/unit/download/test_support.h"

namespace download_test {

NginxProcess::NginxProcess(const std::filesystem::path& dir, const std::string& package,
                           const std::string& limitRate, const std::vector<std::string>& extraServers)
    : port_(FreeLoopbackPort()) {
  const std::string www = (dir / "www").string();
  const std::string tmp = (dir / "tmp").string();
  std::filesystem::create_directories(www);
  std::filesystem::create_directories(tmp);
  WriteWholeFile(dir / "www" / "u.zip", package);
  std::ofstream conf(dir / "nginx.conf");
  conf << "daemon off;\nworker_processes 1;\npid " << (dir / "nginx.pid").string() << ";\n"
       << "error_log " << (dir / "error.log").string() << ";\n"
       << "events { worker_connections 64; }\n"
       << "http {\n  access_log off;\n"
       << "  client_body_temp_path " << tmp << ";\n  proxy_temp_path " << tmp << ";\n"
       << "  fastcgi_temp_path " << tmp << ";\n  uwsgi_temp_path " << tmp << ";\n  scgi_temp_path " << tmp
       << ";\n"
       << "  server {\n    listen 127.0.0.1:" << port_ << ";\n    root " << www << ";\n"
       << (limitRate.empty() ? "" : "    limit_rate " + limitRate + ";\n") << "  }\n";
  for (const std::string& server : extraServers)
    conf << "  server {\n    " << server << "\n    root " << www << ";\n  }\n";
  conf << "}\n";
  conf.close();
  process_ = std::make_unique<ChildProcess>(
      "/usr/sbin/nginx", std::vector<std::string>{"-p", dir.string(), "-c", (dir / "nginx.conf").string()});
}

NginxProcess::~NginxProcess() { process_->Kill(SIGTERM); }

bool NginxProcess::Ready() { return process_->running() && WaitForListener(port_, 5000); }

}  // namespace download_test
