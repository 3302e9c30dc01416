// A small mail client over Windows sockets: one plain connection to a mail
// server, LOGIN authentication when the server offers it and a user name is
// set, and plain-text messages. Failures raise ESMTPError with the server's
// reply or the socket's error.
#pragma once

#include <string>
#include <vector>

#include "framework/Classes.h"

class ESMTPError : public Exception {
public:
  explicit ESMTPError(const std::string& message) : Exception(message) {}
};

class TMailMessage : public TObject {
public:
  std::string From;
  std::vector<std::string> Recipients;
  std::string Subject;
  std::vector<std::string> Body;  // lines, UTF-8
};

class TSMTP : public TObject {
public:
  TSMTP();
  ~TSMTP() override;
  TSMTP(const TSMTP&) = delete;
  TSMTP& operator=(const TSMTP&) = delete;

  std::string Host;
  int Port = 25;
  std::string Username, Password;
  int TimeoutMs = 10000;  // for connecting and for each reply

  void Connect();
  bool Connected() const { return FSocket != InvalidSocket; }
  void Send(const TMailMessage& message);
  // Says goodbye when it can and closes; never raises.
  void Disconnect();

  // What was said on the connection, one line each, prefixed "C: " or
  // "S: " (the password's line is left out).
  const std::vector<std::string>& Transcript() const { return FTranscript; }

private:
  static constexpr uintptr_t InvalidSocket = ~static_cast<uintptr_t>(0);
  void WriteLine(const std::string& line, bool secret = false);
  // Reads one reply (all its lines) and returns its code.
  int ReadReply(std::string* text = nullptr);
  void Expect(int code, const std::string& what);
  void CloseSocket();

  uintptr_t FSocket = InvalidSocket;
  std::string FPending;  // received bytes not yet taken as lines
  bool FCanAuthLogin = false;
  std::vector<std::string> FTranscript;
};

// Base64 of a byte string, as the LOGIN authentication sends it.
std::string Base64Encode(const std::string& bytes);
