/* Preloaded into a reference tool: appends one line to the file named by
   TESS_TOOL_TIME: the end of the tool's start-up (libraries loaded and
   bound) and its exit, both in milliseconds of the monotonic clock, so that
   a run's time is their difference and several runs at once span from the
   first start to the last exit. */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static struct timespec started;

static void report(void) {
  struct timespec now;
  const char* name = getenv("TESS_TOOL_TIME");
  FILE* out;
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (!name || !(out = fopen(name, "a"))) return;
  fprintf(out, "%.6f %.6f\n", started.tv_sec * 1e3 + started.tv_nsec / 1e6, now.tv_sec * 1e3 + now.tv_nsec / 1e6);
  fclose(out);
}

__attribute__((constructor)) static void start(void) {
  clock_gettime(CLOCK_MONOTONIC, &started);
  atexit(report);
}
