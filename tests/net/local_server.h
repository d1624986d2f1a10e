// A plain-HTTP server on 127.0.0.1 for the network tests: it records every request as
// the raw bytes that arrived, and answers each through the test's responder, which
// writes whatever bytes (and pauses) it likes. One request per connection.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace plexaro::testing {

class LocalServer {
 public:
  // Gets the raw request and the connection; returns when done with the connection.
  using Responder = std::function<void(const std::string& request, int socket)>;

  explicit LocalServer(Responder responder);
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  int Port() const { return port_; }
  std::string Url(std::string_view path = "/") const;
  std::vector<std::string> Requests() const;
  bool Stopping() const { return stopping_.load(); }

  // Writes all bytes; false when the peer has gone.
  static bool Write(int socket, std::string_view bytes);
  // A whole response with the given status line, extra header lines and body.
  static std::string Response(std::string_view status, std::string_view headers,
                              std::string_view body);

 private:
  void Serve();
  void HandleConnection(int socket);

  Responder responder_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// The value of the first header of that name in a raw request ("" when absent), and
// how often the header occurs.
std::string HeaderValue(const std::string& request, std::string_view name);
int HeaderCount(const std::string& request, std::string_view name);
// The header names of a raw request in the order sent.
std::vector<std::string> HeaderNames(const std::string& request);

}  // namespace plexaro::testing
