// Errors raised by the readers of pictures and text files. Every reader
// treats its input as untrusted: anything it cannot fully account for ends
// in one of these, never in a read past the data.
#pragma once

#include <string>

#include "framework/SysUtils.h"

// A picture file that is truncated, lies about its sizes or uses a form we
// do not read.
class EInvalidGraphic : public Exception {
public:
  explicit EInvalidGraphic(const std::string& message) : Exception(message) {}
};

// A short read or an unreadable text file.
class EReadError : public Exception {
public:
  explicit EReadError(const std::string& message) : Exception(message) {}
};

class EWriteError : public Exception {
public:
  explicit EWriteError(const std::string& message) : Exception(message) {}
};
