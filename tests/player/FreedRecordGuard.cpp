// The playback record of the tests' players lives in pages of its own that
// are decommitted, never reused, when the record is freed: any later read or
// write of a freed record is an access fault that ends the test program, not
// a quiet write into memory that the next playback has taken. Every other
// allocation goes to the C heap as usual.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "PlayerFixtures.h"

namespace {

// Computed at each call: operator new runs before any static data is set up.
size_t RecordSize() { return PlaybackRecordSize(); }
size_t SlotSize() { return (RecordSize() + 0xFFFF) & ~static_cast<size_t>(0xFFFF); }
constexpr size_t kSlots = 1024;  // playbacks of one test program

std::atomic<char*> gArea{nullptr};
std::atomic<size_t> gNext{0};

char* Area() {
  char* area = gArea.load();
  if (area) return area;
  auto* fresh = static_cast<char*>(VirtualAlloc(nullptr, SlotSize() * kSlots, MEM_RESERVE, PAGE_NOACCESS));
  if (!fresh) return nullptr;
  if (!gArea.compare_exchange_strong(area, fresh)) {
    VirtualFree(fresh, 0, MEM_RELEASE);
    return area;
  }
  return fresh;
}

void* NewRecord() {
  char* area = Area();
  if (!area) return nullptr;
  const size_t slot = gNext.fetch_add(1);
  if (slot >= kSlots) return nullptr;
  return VirtualAlloc(area + slot * SlotSize(), RecordSize(), MEM_COMMIT, PAGE_READWRITE);
}

bool IsRecord(void* p) {
  char* area = gArea.load();
  return area && p >= area && p < area + SlotSize() * kSlots;
}

void* Allocate(size_t size) {
  if (size == RecordSize())
    if (void* p = NewRecord()) return p;
  return std::malloc(size ? size : 1);
}

void Release(void* p) {
  if (!p) return;
  if (IsRecord(p))
    VirtualFree(p, RecordSize(), MEM_DECOMMIT);
  else
    std::free(p);
}

// A touch of a freed record ends the program at once with a line saying
// so; left to the ordinary unwinding, the fault in the middle of the
// player's code does not always end it.
LONG CALLBACK OnFault(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* r = info->ExceptionRecord;
  if (r->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || r->NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
  auto* at = reinterpret_cast<char*>(r->ExceptionInformation[1]);
  char* area = gArea.load();
  if (!area || at < area || at >= area + SlotSize() * kSlots) return EXCEPTION_CONTINUE_SEARCH;
  const size_t offset = static_cast<size_t>(at - area) % SlotSize();
  std::fprintf(stderr, "[  FAILED  ] a freed playback record was %s at offset %zu\n",
               r->ExceptionInformation[0] ? "written" : "read", offset);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_CONTINUE_SEARCH;
}

const bool gWatching = AddVectoredExceptionHandler(1, OnFault) != nullptr;

}  // namespace

void* operator new(size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
