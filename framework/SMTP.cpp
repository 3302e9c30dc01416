// The socket headers come before any C library header: the platform's
// socket types must not meet the C library's own.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include "framework/SMTP.h"

#include <algorithm>
#include <cctype>

namespace {

// Winsock is started once for the process and left running.
void StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw ESMTPError("Windows sockets are not available");
}

std::string SocketError(const char* what) { return std::string(what) + " (socket error " + std::to_string(WSAGetLastError()) + ")"; }

// Header values and addresses are single lines: a line break inside one
// would start a header or command of its own.
std::string OneLine(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '\r' && c != '\n') out += c;
  return out;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  for (size_t i = 0; prefix[i]; ++i)
    if (i >= s.size() || std::toupper(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

// A Subject of plain ASCII stays as it is; other text goes as an encoded
// word so that mail programs show it right.
std::string SubjectHeader(const std::string& subject) {
  const std::string s = OneLine(subject);
  if (std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return s;
  return "=?UTF-8?B?" + Base64Encode(s) + "?=";
}

}  // namespace

std::string Base64Encode(const std::string& bytes) {
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += digits[v >> 18];
    out += digits[(v >> 12) & 63];
    out += digits[(v >> 6) & 63];
    out += digits[v & 63];
  }
  if (i < bytes.size()) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += digits[v >> 18];
    out += digits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

TSMTP::TSMTP() = default;

TSMTP::~TSMTP() { CloseSocket(); }

void TSMTP::CloseSocket() {
  if (FSocket != InvalidSocket) closesocket(static_cast<SOCKET>(FSocket));
  FSocket = InvalidSocket;
  FPending.clear();
}

void TSMTP::Connect() {
  Disconnect();
  StartWinsock();
  FTranscript.clear();
  FCanAuthLogin = false;
  if (Host.empty()) throw ESMTPError("No mail server is set");
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  if (getaddrinfo(Host.c_str(), std::to_string(Port).c_str(), &hints, &found) != 0 || !found)
    throw ESMTPError("Cannot find the mail server " + Host);
  std::string error = "Cannot connect to " + Host + ":" + std::to_string(Port);
  for (addrinfo* a = found; a && FSocket == InvalidSocket; a = a->ai_next) {
    SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == INVALID_SOCKET) continue;
    // Connect without blocking, so that an unreachable server costs the
    // time-out and no more.
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    bool ok = connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0;
    if (!ok && WSAGetLastError() == WSAEWOULDBLOCK) {
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(s, &writable);
      FD_SET(s, &failed);
      timeval tv{TimeoutMs / 1000, (TimeoutMs % 1000) * 1000};
      ok = select(0, nullptr, &writable, &failed, &tv) > 0 && FD_ISSET(s, &writable) && !FD_ISSET(s, &failed);
      if (ok) {
        int soError = 0;
        int len = sizeof soError;
        ok = getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) == 0 && soError == 0;
      }
    }
    if (!ok) {
      closesocket(s);
      continue;
    }
    nonBlocking = 0;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    const DWORD timeout = static_cast<DWORD>(TimeoutMs);
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    FSocket = static_cast<uintptr_t>(s);
  }
  freeaddrinfo(found);
  if (FSocket == InvalidSocket) throw ESMTPError(error);
  try {
    Expect(220, "greeting");
    WriteLine("EHLO localhost");
    std::string text;
    if (ReadReply(&text) == 250) {
      // Each line of the reply names one extension.
      size_t start = 0;
      while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (line.compare(0, 4, "AUTH") == 0 && line.find("LOGIN") != std::string::npos) FCanAuthLogin = true;
        start = end + 1;
      }
    } else {
      WriteLine("HELO localhost");
      Expect(250, "HELO");
    }
    if (!Username.empty() && FCanAuthLogin) {
      WriteLine("AUTH LOGIN");
      Expect(334, "AUTH LOGIN");
      WriteLine(Base64Encode(Username));
      Expect(334, "user name");
      WriteLine(Base64Encode(Password), true);
      Expect(235, "authentication");
    }
  } catch (...) {
    CloseSocket();
    throw;
  }
}

void TSMTP::Send(const TMailMessage& message) {
  if (!Connected()) throw ESMTPError("Not connected to a mail server");
  WriteLine("MAIL FROM:<" + OneLine(message.From) + ">");
  Expect(250, "MAIL FROM");
  if (message.Recipients.empty()) throw ESMTPError("The message has no recipient");
  for (const std::string& to : message.Recipients) {
    WriteLine("RCPT TO:<" + OneLine(to) + ">");
    std::string text;
    const int code = ReadReply(&text);
    if (code != 250 && code != 251) throw ESMTPError("RCPT TO refused: " + std::to_string(code) + " " + text);
  }
  WriteLine("DATA");
  Expect(354, "DATA");
  std::string to;
  for (const std::string& r : message.Recipients) to += (to.empty() ? "" : ", ") + OneLine(r);
  WriteLine("From: " + OneLine(message.From));
  WriteLine("To: " + to);
  WriteLine("Subject: " + SubjectHeader(message.Subject));
  WriteLine("MIME-Version: 1.0");
  WriteLine("Content-Type: text/plain; charset=utf-8");
  WriteLine("Content-Transfer-Encoding: 8bit");
  WriteLine("");
  for (const std::string& body : message.Body) {
    // Body lines may hold their own breaks; each piece is a line, and a
    // line that starts with a dot gets another so it cannot end the data.
    size_t start = 0;
    do {
      size_t end = body.find('\n', start);
      std::string line = body.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line[0] == '.') line.insert(0, ".");
      WriteLine(line);
      start = end == std::string::npos ? std::string::npos : end + 1;
    } while (start != std::string::npos);
  }
  WriteLine(".");
  Expect(250, "message");
}

void TSMTP::Disconnect() {
  if (!Connected()) return;
  try {
    WriteLine("QUIT");
    ReadReply();
  } catch (...) {
  }
  CloseSocket();
}

void TSMTP::WriteLine(const std::string& line, bool secret) {
  FTranscript.push_back(secret ? "C: ****" : "C: " + line);
  const std::string data = line + "\r\n";
  size_t sent = 0;
  while (sent < data.size()) {
    const int n = send(static_cast<SOCKET>(FSocket), data.data() + sent, static_cast<int>(data.size() - sent), 0);
    if (n <= 0) {
      const std::string error = SocketError("Sending to the mail server failed");
      CloseSocket();
      throw ESMTPError(error);
    }
    sent += static_cast<size_t>(n);
  }
}

int TSMTP::ReadReply(std::string* text) {
  if (text) text->clear();
  for (;;) {
    size_t end;
    while ((end = FPending.find('\n')) == std::string::npos) {
      if (FPending.size() > 65536) {
        CloseSocket();
        throw ESMTPError("The mail server's reply is too long");
      }
      char buffer[1024];
      const int n = recv(static_cast<SOCKET>(FSocket), buffer, sizeof buffer, 0);
      if (n <= 0) {
        const std::string error =
            n == 0 ? std::string("The mail server closed the connection") : SocketError("No reply from the mail server");
        CloseSocket();
        throw ESMTPError(error);
      }
      FPending.append(buffer, static_cast<size_t>(n));
    }
    std::string line = FPending.substr(0, end);
    FPending.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    FTranscript.push_back("S: " + line);
    if (line.size() < 3 || !std::isdigit(static_cast<unsigned char>(line[0])) ||
        !std::isdigit(static_cast<unsigned char>(line[1])) || !std::isdigit(static_cast<unsigned char>(line[2]))) {
      CloseSocket();
      throw ESMTPError("The mail server's reply makes no sense: " + line);
    }
    if (text) *text += (text->empty() ? "" : "\n") + (line.size() > 4 ? line.substr(4) : std::string());
    // "250-..." goes on, "250 ..." (or a bare code) ends the reply.
    if (line.size() == 3 || line[3] != '-') return std::stoi(line.substr(0, 3));
  }
}

void TSMTP::Expect(int code, const std::string& what) {
  std::string text;
  const int got = ReadReply(&text);
  if (got != code) throw ESMTPError("The mail server refused the " + what + ": " + std::to_string(got) + " " + text);
}
