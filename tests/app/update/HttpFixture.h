// A loopback HTTP server for the update tests: each path answers with a
// status, a body and a Content-Length that may lie or be left out. Native
// code: no Win32 here.
#pragma once

#include <memory>
#include <string>
#include <vector>

class THttpFixture {
public:
  static constexpr long kTrueLength = -1;  // Content-Length: the body's size
  static constexpr long kNoLength = -2;    // no Content-Length header

  THttpFixture();
  ~THttpFixture();
  THttpFixture(const THttpFixture&) = delete;
  THttpFixture& operator=(const THttpFixture&) = delete;

  int Port() const;
  void Route(const std::string& path, int status, const std::string& body, long contentLength = kTrueLength);
  // The request lines and headers received so far, one string per request.
  std::vector<std::string> Requests() const;

private:
  struct TState;
  std::unique_ptr<TState> F;
};
