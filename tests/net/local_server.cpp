#include "local_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <cstring>

namespace plexaro::testing {
namespace {

// The tests talk to loopback servers only; a proxy from the environment must not
// get in between.
const bool kLoopbackBypassesProxy = [] {
  setenv("no_proxy", "127.0.0.1,localhost", 1);
  return true;
}();

size_t ContentLength(const std::string& head) {
  std::string value = HeaderValue(head, "Content-Length");
  return value.empty() ? 0 : std::stoul(value);
}

bool WaitReadable(int socket, const std::atomic<bool>& stopping) {
  while (!stopping.load()) {
    pollfd pfd{socket, POLLIN, 0};
    int ready = poll(&pfd, 1, 50);
    if (ready > 0) return true;
    if (ready < 0) return false;
  }
  return false;
}

}  // namespace

LocalServer::LocalServer(Responder responder) : responder_(std::move(responder)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int on = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener_, 16);
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LocalServer::~LocalServer() {
  stopping_.store(true);
  thread_.join();
  close(listener_);
}

std::string LocalServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> LocalServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void LocalServer::Serve() {
  while (WaitReadable(listener_, stopping_)) {
    int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    HandleConnection(connection);
    close(connection);
  }
}

void LocalServer::HandleConnection(int socket) {
  std::string request;
  char buffer[4096];
  size_t headEnd = std::string::npos;
  while (headEnd == std::string::npos ||
         request.size() < headEnd + 4 + ContentLength(request.substr(0, headEnd))) {
    if (!WaitReadable(socket, stopping_)) return;
    ssize_t got = recv(socket, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, size_t(got));
    if (headEnd == std::string::npos) headEnd = request.find("\r\n\r\n");
  }
  if (request.empty()) return;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  responder_(request, socket);
}

bool LocalServer::Write(int socket, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t sent = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(size_t(sent));
  }
  return true;
}

std::string LocalServer::Response(std::string_view status, std::string_view headers,
                                  std::string_view body) {
  std::string response = "HTTP/1.1 " + std::string(status) + "\r\n";
  response += headers;
  response += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  response += body;
  return response;
}

std::vector<std::string> HeaderNames(const std::string& request) {
  std::vector<std::string> names;
  size_t lineStart = request.find("\r\n");
  while (lineStart != std::string::npos) {
    lineStart += 2;
    size_t lineEnd = request.find("\r\n", lineStart);
    if (lineEnd == std::string::npos || lineEnd == lineStart) break;
    size_t colon = request.find(':', lineStart);
    names.push_back(request.substr(lineStart, std::min(colon, lineEnd) - lineStart));
    lineStart = lineEnd;
  }
  return names;
}

std::string HeaderValue(const std::string& request, std::string_view name) {
  std::string needle = "\r\n" + std::string(name) + ":";
  size_t end = request.find("\r\n\r\n");
  for (size_t at = 0; (at = request.find("\r\n", at)) != std::string::npos && at < end;) {
    if (strncasecmp(request.c_str() + at, needle.c_str(), needle.size()) == 0) {
      size_t from = at + needle.size();
      while (from < request.size() && request[from] == ' ') ++from;
      return request.substr(from, request.find("\r\n", from) - from);
    }
    at += 2;
  }
  return {};
}

int HeaderCount(const std::string& request, std::string_view name) {
  int count = 0;
  for (const std::string& header : HeaderNames(request)) {
    if (header.size() == name.size() &&
        strncasecmp(header.c_str(), name.data(), name.size()) == 0) {
      ++count;
    }
  }
  return count;
}

}  // namespace plexaro::testing
