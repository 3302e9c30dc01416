// The socket headers come before any C library header.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include "SmtpFixture.h"

#include <atomic>
#include <mutex>

struct TSmtpFixture::TState {
  SOCKET socket = INVALID_SOCKET;
  int port = 0;
  bool acceptLogin = true;
  std::atomic<bool> stop{false};
  mutable std::mutex lock;
  std::vector<std::string> dialogue, messages;
  HANDLE worker = nullptr;

  static void Say(SOCKET c, const std::string& line) {
    const std::string data = line + "\r\n";
    ::send(c, data.data(), static_cast<int>(data.size()), 0);
  }

  static bool Readable(SOCKET s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    return ::select(0, &set, nullptr, nullptr, &tv) > 0;
  }

  static bool ReadLine(SOCKET c, std::string& pending, std::string& line) {
    size_t end;
    while ((end = pending.find("\r\n")) == std::string::npos) {
      if (!Readable(c, 5000)) return false;
      char buf[4096];
      const int n = ::recv(c, buf, sizeof buf, 0);
      if (n <= 0) return false;
      pending.append(buf, static_cast<size_t>(n));
    }
    line = pending.substr(0, end);
    pending.erase(0, end + 2);
    return true;
  }

  void Record(const std::string& line) {
    std::lock_guard<std::mutex> g(lock);
    dialogue.push_back(line);
  }

  void Serve(SOCKET c) {
    std::string pending, line;
    Say(c, "220 loopback mail ready");
    while (ReadLine(c, pending, line)) {
      Record(line);
      const std::string verb = line.substr(0, 4);
      if (verb == "EHLO") {
        Say(c, "250-loopback");
        Say(c, "250-AUTH PLAIN LOGIN");
        Say(c, "250 8BITMIME");
      } else if (line == "AUTH LOGIN") {
        Say(c, "334 VXNlcm5hbWU6");
        if (!ReadLine(c, pending, line)) return;
        Record(line);
        Say(c, "334 UGFzc3dvcmQ6");
        if (!ReadLine(c, pending, line)) return;
        Record(line);
        Say(c, acceptLogin ? "235 accepted" : "535 authentication failed");
      } else if (verb == "MAIL" || verb == "RCPT") {
        Say(c, "250 ok");
      } else if (verb == "DATA") {
        Say(c, "354 go on");
        std::string data;
        while (ReadLine(c, pending, line) && line != ".") {
          if (!line.empty() && line[0] == '.') line.erase(0, 1);
          data += line + "\n";
        }
        {
          std::lock_guard<std::mutex> g(lock);
          messages.push_back(data);
        }
        Say(c, "250 queued");
      } else if (verb == "QUIT") {
        Say(c, "221 bye");
        return;
      } else {
        Say(c, "500 what");
      }
    }
  }

  static DWORD WINAPI Run(LPVOID p) {
    auto* s = static_cast<TState*>(p);
    while (!s->stop) {
      if (!Readable(s->socket, 100)) continue;
      const SOCKET c = ::accept(s->socket, nullptr, nullptr);
      if (c == INVALID_SOCKET) continue;
      s->Serve(c);
      ::closesocket(c);
    }
    return 0;
  }

  // A loopback socket bound to a free port.
  static SOCKET Bound(int& port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int len = sizeof addr;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return s;
  }
};

TSmtpFixture::TSmtpFixture(bool acceptLogin) : F(std::make_unique<TState>()) {
  F->acceptLogin = acceptLogin;
  F->socket = TState::Bound(F->port);
  ::listen(F->socket, 8);
  F->worker = CreateThread(nullptr, 0, TState::Run, F.get(), 0, nullptr);
}

TSmtpFixture::~TSmtpFixture() {
  F->stop = true;
  WaitForSingleObject(F->worker, INFINITE);
  CloseHandle(F->worker);
  ::closesocket(F->socket);
}

int TSmtpFixture::Port() const { return F->port; }

std::vector<std::string> TSmtpFixture::Dialogue() const {
  std::lock_guard<std::mutex> g(F->lock);
  return F->dialogue;
}

std::vector<std::string> TSmtpFixture::Messages() const {
  std::lock_guard<std::mutex> g(F->lock);
  return F->messages;
}

int TSmtpFixture::ClosedPort() {
  int port = 0;
  ::closesocket(TState::Bound(port));
  return port;
}
