#include "tests/helpers/package_server/package_server.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/streambuf.hpp>
#include <boost/asio/write.hpp>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>

#include "tests/helpers/package_server/response_plan.h"

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

namespace package_server {

bool ParseBehaviour(const std::string& name, Behaviour& behaviour) {
  static const std::map<std::string, Behaviour> kNames = {
      {"normal", Behaviour::kNormal},
      {"ignore-range", Behaviour::kIgnoreRange},
      {"split-head", Behaviour::kSplitHead},
      {"head-alone", Behaviour::kHeadAlone},
      {"redirect", Behaviour::kRedirect},
      {"416", Behaviour::kRangeNotSatisfiable},
      {"garbage", Behaviour::kGarbage},
      {"wrong-length", Behaviour::kWrongLength},
      {"stall-before-head", Behaviour::kStallBeforeHead},
      {"stall-mid-body", Behaviour::kStallMidBody},
      {"early-close", Behaviour::kEarlyClose},
      {"wrong-body", Behaviour::kWrongBody},
      {"huge-head", Behaviour::kHugeHead},
  };
  const auto found = kNames.find(name);
  if (found == kNames.end()) return false;
  behaviour = found->second;
  return true;
}

struct PackageServer::Impl {
  asio::io_context io{1};
  tcp::acceptor acceptor{io};
  mutable std::mutex mutex;
  std::shared_ptr<const std::string> package;
  ServerOptions options;
  std::deque<Behaviour> script;
  std::vector<RecordedRequest> requests;
  std::atomic<std::uint64_t> packageBytesSent{0};

  // Records the request and picks the behaviour that answers it.
  Behaviour Take(const RecordedRequest& request, std::shared_ptr<const std::string>& body,
                 ServerOptions& opts) {
    std::lock_guard<std::mutex> lock(mutex);
    requests.push_back(request);
    body = package;
    opts = options;
    if (script.empty()) return options.defaultBehaviour;
    const Behaviour next = script.front();
    script.pop_front();
    return next;
  }
};

namespace {

RecordedRequest ParseRequest(const std::string& head) {
  RecordedRequest request;
  request.text = head;
  const auto firstSpace = head.find(' ');
  const auto secondSpace = head.find(' ', firstSpace + 1);
  if (firstSpace != std::string::npos && secondSpace != std::string::npos) {
    request.path = head.substr(firstSpace + 1, secondSpace - firstSpace - 1);
  }
  const auto host = head.find("\r\nHost: ");
  if (host != std::string::npos) {
    const auto end = head.find("\r\n", host + 2);
    request.host = head.substr(host + 8, end - host - 8);
  }
  const auto range = head.find("\r\nRange: bytes=");
  if (range != std::string::npos) request.rangeOffset = std::atoll(head.c_str() + range + 15);
  return request;
}

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(PackageServer::Impl& server, tcp::socket socket)
      : server_(server), socket_(std::move(socket)), timer_(socket_.get_executor()) {}

  void Start() {
    auto self = shared_from_this();
    asio::async_read_until(socket_, input_, "\r\n\r\n", [self](const error_code& error, std::size_t length) {
      if (!error) self->Answer(length);
    });
  }

 private:
  void Answer(std::size_t headLength) {
    std::string head(asio::buffers_begin(input_.data()), asio::buffers_begin(input_.data()) + headLength);
    const RecordedRequest request = ParseRequest(head);
    ServerOptions options;
    const Behaviour behaviour = server_.Take(request, package_, options);
    steps_ = PlanResponse(behaviour, *package_, request.rangeOffset, options);
    Next();
  }

  void Next() {
    if (next_ == steps_.size()) {
      error_code ignored;
      socket_.shutdown(tcp::socket::shutdown_both, ignored);
      socket_.close(ignored);
      return;
    }
    const Step& step = steps_[next_++];
    auto self = shared_from_this();
    const asio::const_buffer bytes = step.literal.empty()
                                         ? asio::buffer(package_->data() + step.offset, step.length)
                                         : asio::buffer(step.literal);
    const bool packageBytes = step.literal.empty();
    asio::async_write(socket_, bytes, [self, packageBytes](const error_code& error, std::size_t sent) {
      if (packageBytes) self->server_.packageBytesSent += sent;
      if (!error) self->AfterWrite();
    });
  }

  void AfterWrite() {
    const Step& step = steps_[next_ - 1];
    if (step.close) {
      error_code ignored;
      socket_.close(ignored);
      return;
    }
    if (!step.stall && step.delayMs == 0) return Next();
    auto self = shared_from_this();
    timer_.expires_after(step.stall ? std::chrono::hours(24) : std::chrono::milliseconds(step.delayMs));
    timer_.async_wait([self](const error_code& error) {
      if (!error) self->Next();
    });
  }

  PackageServer::Impl& server_;
  tcp::socket socket_;
  asio::steady_timer timer_;
  asio::streambuf input_;
  std::shared_ptr<const std::string> package_;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
};

void Accept(PackageServer::Impl* server) {
  server->acceptor.async_accept([server](const error_code& error, tcp::socket socket) {
    if (error) return;
    error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    std::make_shared<Connection>(*server, std::move(socket))->Start();
    Accept(server);
  });
}

}  // namespace

PackageServer::PackageServer(std::string package, ServerOptions options) : impl_(std::make_unique<Impl>()) {
  impl_->package = std::make_shared<const std::string>(std::move(package));
  impl_->options = options;
  const tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), options.port);
  impl_->acceptor.open(endpoint.protocol());
  impl_->acceptor.set_option(tcp::acceptor::reuse_address(true));
  impl_->acceptor.bind(endpoint);
  impl_->acceptor.listen();
  port_ = impl_->acceptor.local_endpoint().port();
  Impl* impl = impl_.get();
  Accept(impl);
  thread_ = std::thread([impl] { impl->io.run(); });
}

// Destroying the io_context after its thread ended closes every socket and
// frees every connection.
PackageServer::~PackageServer() {
  impl_->io.stop();
  thread_.join();
}

std::string PackageServer::hostText() const { return "127.0.0.1:" + std::to_string(port_); }

void PackageServer::Script(std::vector<Behaviour> behaviours) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->script.assign(behaviours.begin(), behaviours.end());
}

void PackageServer::SetDefaultBehaviour(Behaviour behaviour) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->options.defaultBehaviour = behaviour;
}

void PackageServer::SetLocation(const std::string& location) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->options.location = location;
}

void PackageServer::SetPackage(std::string package) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->package = std::make_shared<const std::string>(std::move(package));
}

std::vector<RecordedRequest> PackageServer::Requests() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->requests;
}

std::uint64_t PackageServer::PackageBytesSent() const { return impl_->packageBytesSent; }

std::size_t PackageServer::RequestCount() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->requests.size();
}

}  // namespace package_server
