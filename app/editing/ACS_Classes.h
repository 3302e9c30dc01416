// What the tag units share: their exception class and the lock under which
// the tag library is bound.
#pragma once

#include "framework/SysUtils.h"
#include "framework/Threads.h"

class EAuException : public Exception {
public:
  using Exception::Exception;
};

TCriticalSection& TagUnitsLock();
