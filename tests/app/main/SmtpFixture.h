// A loopback mail server for the error-report tests: it offers LOGIN
// authentication, keeps the whole dialogue and every message's data, and
// can refuse the credentials. It speaks through the platform's sockets, as
// the mail client does, on a thread of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

class TSmtpFixture {
public:
  explicit TSmtpFixture(bool acceptLogin = true);
  ~TSmtpFixture();
  TSmtpFixture(const TSmtpFixture&) = delete;
  TSmtpFixture& operator=(const TSmtpFixture&) = delete;

  int Port() const;
  // The client's lines of all connections so far.
  std::vector<std::string> Dialogue() const;
  // The data of each message received, lines joined by "\n", the dot
  // doubling undone.
  std::vector<std::string> Messages() const;

  // A port with nothing listening on it.
  static int ClosedPort();

private:
  struct TState;
  std::unique_ptr<TState> F;
};
