/* Preloaded into a reference tool: appends the time from the end of the
   tool's start-up (libraries loaded and bound) to its exit, in
   milliseconds, to the file named by TESS_TOOL_TIME. */
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
  fprintf(out, "%.6f\n", (now.tv_sec - started.tv_sec) * 1e3 + (now.tv_nsec - started.tv_nsec) / 1e6);
  fclose(out);
}

__attribute__((constructor)) static void start(void) {
  clock_gettime(CLOCK_MONOTONIC, &started);
  atexit(report);
}
