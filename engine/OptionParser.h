// The option machinery shared by the transcoder, the decoder and the player:
// option table rows, storing or dispatching one option word, walking a word
// list, and the number and time parsers behind the typed rows.
//
// Platform-neutral: the few library services it needs (allocation, time
// parsing, logging) come through TOptionLibrary, which the library binding
// fills when avutil is bound. The host build fuzzes this code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum TOptionFlag : uint32_t {
  ofHasArg = 0x0001,
  ofBool = 0x0002,
  ofExpert = 0x0004,
  ofString = 0x0008,
  ofVideo = 0x0010,
  ofAudio = 0x0020,
  ofGrab = 0x0040,
  ofInt = 0x0080,
  ofFloat = 0x0100,
  ofSubtitle = 0x0200,
  ofInt64 = 0x0400,
  ofExit = 0x0800,
  ofData = 0x1000,
  ofFunc2 = 0x2000,
  ofOffset = 0x4000,
  ofSpec = 0x8000,
  ofTime = 0x10000,
  ofDouble = 0x20000,
};

// Handlers are bound to the object that owns the table: `owner` is the
// pointer handed to ParseOption.
using Tfunc_arg = int (*)(void* owner, const char* opt, const char* arg);
using Tfunc2_arg = int (*)(void* owner, void* o, const char* opt, const char* arg);

union TOptDefUnion {
  constexpr TOptDefUnion() : dst_ptr(nullptr) {}
  constexpr TOptDefUnion(Tfunc_arg f) : func_arg(f) {}
  constexpr TOptDefUnion(Tfunc2_arg f) : func2_arg(f) {}
  constexpr TOptDefUnion(size_t o) : off(o) {}
  constexpr TOptDefUnion(void* p) : dst_ptr(p) {}
  Tfunc_arg func_arg;
  Tfunc2_arg func2_arg;
  size_t off;
  void* dst_ptr;
};

struct TOptionDef {
  const char* name;  // without the leading "-"; nullptr ends the table
  uint32_t flags;
  TOptDefUnion u;
  const char* help;
  const char* argname;
};

// One per-stream entry; an ofSpec field of an option context is an array of
// these followed by its int count.
union TSpecOptUnion {
  char* str;
  int i;
  int64_t i64;
  float f;
  double dbl;
};

struct TSpecifierOpt {
  char* specifier;  // text after the first ":" of the option name, "" when none
  TSpecOptUnion u;
};
static_assert(sizeof(TSpecifierOpt) == 16, "per-stream entries are 16 bytes");

// Library services of the parser. Strings and arrays it makes are the
// media library's allocations (freed with av_free by their users); a string
// option given twice frees the first copy.
struct TOptionLibrary {
  char* (*strdup)(const char* s);
  void* (*realloc)(void* p, size_t size);
  void (*free)(void* p);
  int (*parse_time)(int64_t* result, const char* text, int duration);
  void (*log)(void* context, int level, const char* format, ...);
};
void SetOptionLibrary(const TOptionLibrary& library);
// Back to the C library's allocator and no logging (no time parsing either).
void ResetOptionLibrary();
const TOptionLibrary& OptionLibrary();

// The text in which a failing option leaves its message. It belongs to the
// calling thread: parsers on different threads (a task set up on the GUI
// thread while the player parses on its own) do not overwrite each other.
std::string& OptionErrorText();

const TOptionDef* FindOption(const TOptionDef* table, const char* name);
int ParseOption(void* optctx, const char* opt, const char* arg, const TOptionDef* table,
                void* owner = nullptr);
int ParseOptionList(void* optctx, int count, char* const* words, bool halt, const TOptionDef* table,
                    void* owner = nullptr);
int LocateOption(int count, char* const* words, const TOptionDef* table, const char* name);
const char* FindLogLevelArgument(int count, char* const* words, const TOptionDef* table);

// Conversion errors raise Exception with the texts
// "Expected integer|int64|float|double for %s but found %s".
int ParseInteger(const char* opt, const char* arg);
int64_t ParseInt64(const char* opt, const char* arg);
float ParseSingle(const char* opt, const char* arg);
double ParseDouble(const char* opt, const char* arg);
// Microseconds; a text the library cannot read raises
// the "Invalid duration|date ..." text.
int64_t ParseTime(const char* opt, const char* arg, int isDuration);

// Enlarges a library-allocated array to `newCount` zero-filled elements.
void* GrowArray(void* array, size_t elemSize, int& count, int newCount);
