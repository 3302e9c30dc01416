/* A frame-hook module for the tests: writes its value (255 unless given)
   into the first luma sample of each picture and counts its calls. Built
   without Configure when NO_CONFIGURE is defined. */
#include <stdint.h>
#include <stdlib.h>

static int calls;
static int releases;

int HookCalls(void) { return calls; }
int HookReleases(void) { return releases; }

typedef struct {
  int value;
} HookContext;

#ifndef NO_CONFIGURE
int Configure(void** ctx, int argc, char* argv[]) {
  HookContext* c = calloc(1, sizeof *c);
  if (!c) return -1;
  c->value = argc > 1 ? atoi(argv[1]) : 255;
  *ctx = c;
  /* More than one argument is refused. */
  return argc > 2 ? -1 : 0;
}
#endif

void Process(void* ctx, void* picture, int pixFmt, int width, int height, int64_t pts) {
  uint8_t** data = (uint8_t**)picture;
  const HookContext* c = ctx;
  (void)pixFmt;
  (void)pts;
  if (width > 0 && height > 0) data[0][0] = (uint8_t)(c ? c->value : 255);
  ++calls;
}

void Release(void* ctx) {
  free(ctx);
  ++releases;
}
