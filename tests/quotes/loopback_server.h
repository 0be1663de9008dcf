// Servers on 127.0.0.1 for the quote tests and benchmark: an HTTP server
// (cpp-httplib) with enough threads, Nagle off and a long listen backlog,
// and a raw TCP server for the faults HTTP servers do not make (resets, cut
// bodies).
#pragma once

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

namespace plrxl::testing {

class LoopbackServer {
 public:
  explicit LoopbackServer(int threads = 32) {
    server_.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
    server_.set_tcp_nodelay(true);
    server_.set_keep_alive_timeout(1);
    server_.set_socket_options([this](socket_t sock) {
      int yes = 1;
      setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
      listen_fd_ = sock;
    });
  }
  ~LoopbackServer() { Stop(); }

  httplib::Server& Http() { return server_; }

  // Binds a free port and serves in the background.
  void Start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    // The library listens with a backlog of 5; a second listen() raises it.
    if (listen_fd_ >= 0) ::listen(listen_fd_, 1024);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  void Stop() {
    if (thread_.joinable()) {
      server_.stop();
      thread_.join();
    }
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  httplib::Server server_;
  int port_ = 0;
  int listen_fd_ = -1;
  std::thread thread_;
};

// Accepts connections and hands each socket to `serve` on the accepting
// thread, then closes it.
class RawServer {
 public:
  explicit RawServer(std::function<void(int fd)> serve) : serve_(std::move(serve)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    ::listen(fd_, 64);
    thread_ = std::thread([this] {
      for (;;) {
        const int c = ::accept(fd_, nullptr, nullptr);
        if (c < 0 || stop_) {
          if (c >= 0) ::close(c);
          return;
        }
        serve_(c);
        ::close(c);
      }
    });
  }
  ~RawServer() {
    stop_ = true;
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    thread_.join();
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // Reads the request head so the client is done sending.
  static void ReadRequest(int fd) {
    std::string got;
    char buf[4096];
    while (got.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return;
      got.append(buf, static_cast<size_t>(n));
    }
  }
  // Closes with a TCP reset instead of an orderly shutdown.
  static void Reset(int fd) {
    linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  }
  static void Send(int fd, const std::string& text) { ::send(fd, text.data(), text.size(), MSG_NOSIGNAL); }

 private:
  std::function<void(int)> serve_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Listens (the system accepts connections into the backlog) and never
// reads or answers.
class DeadServer {
 public:
  DeadServer() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd_, 1024) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::perror("dead server");
    }
    port_ = ntohs(address.sin_port);
  }
  ~DeadServer() { close(fd_); }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace plrxl::testing
