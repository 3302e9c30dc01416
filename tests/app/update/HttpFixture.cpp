#include "HttpFixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

struct THttpFixture::TState {
  struct TAnswer {
    int status;
    std::string body;
    long length;
  };
  int socket = -1;
  int port = 0;
  std::atomic<bool> stop{false};
  mutable std::mutex lock;
  std::map<std::string, TAnswer> routes;
  std::vector<std::string> requests;
  std::thread worker;

  void Serve(int c) {
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      pollfd p{c, POLLIN, 0};
      if (::poll(&p, 1, 2000) <= 0) return;
      const ssize_t n = ::recv(c, buf, sizeof buf, 0);
      if (n <= 0) return;
      request.append(buf, static_cast<size_t>(n));
    }
    const size_t sp1 = request.find(' '), sp2 = request.find(' ', sp1 + 1);
    const std::string path = request.substr(sp1 + 1, sp2 - sp1 - 1);
    TAnswer answer{404, "<html>not here</html>", -1};
    {
      std::lock_guard<std::mutex> g(lock);
      requests.push_back(request.substr(0, request.find("\r\n\r\n")));
      auto it = routes.find(path);
      if (it != routes.end()) answer = it->second;
    }
    std::string reply = "HTTP/1.0 " + std::to_string(answer.status) + (answer.status == 200 ? " OK" : " Not Found") +
                        "\r\nConnection: close\r\n";
    if (answer.length != kNoLength)
      reply += "Content-Length: " +
               std::to_string(answer.length == kTrueLength ? static_cast<long>(answer.body.size()) : answer.length) +
               "\r\n";
    reply += "\r\n" + answer.body;
    for (size_t sent = 0; sent < reply.size();) {
      const ssize_t n = ::send(c, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
  }
};

THttpFixture::THttpFixture() : F(std::make_unique<TState>()) {
  F->socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(F->socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(F->socket, reinterpret_cast<sockaddr*>(&addr), &len);
  F->port = ntohs(addr.sin_port);
  ::listen(F->socket, 8);
  TState* s = F.get();
  F->worker = std::thread([s] {
    while (!s->stop) {
      pollfd p{s->socket, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      const int c = ::accept(s->socket, nullptr, nullptr);
      if (c < 0) continue;
      s->Serve(c);
      ::shutdown(c, SHUT_WR);
      ::close(c);
    }
  });
}

THttpFixture::~THttpFixture() {
  F->stop = true;
  F->worker.join();
  ::close(F->socket);
}

int THttpFixture::Port() const { return F->port; }

void THttpFixture::Route(const std::string& path, int status, const std::string& body, long contentLength) {
  std::lock_guard<std::mutex> g(F->lock);
  F->routes[path] = TState::TAnswer{status, body, contentLength};
}

std::vector<std::string> THttpFixture::Requests() const {
  std::lock_guard<std::mutex> g(F->lock);
  return F->requests;
}
