/* A stand-in DVD plug-in for the binding's tests: it records what it was
   handed and answers with known values. Built as a native shared object
   under the plug-in's file name. */
#include <stdint.h>
#include <string.h>

int stub_init_calls = 0;
char stub_init_text[256];
char stub_enum_path[256];

int32_t DVDInitialize(const char* text) {
  ++stub_init_calls;
  strncpy(stub_init_text, text ? text : "", sizeof stub_init_text - 1);
  return 1;
}

int32_t DVDEnumTitle(const char* path) {
  strncpy(stub_enum_path, path ? path : "", sizeof stub_enum_path - 1);
  return 3;
}

/* Title 0 is a good title; title 1 fails after scribbling over the block;
   title 2 claims more entries than the block can hold. The block is written
   through its byte offsets, as a plug-in of any language would. */
int32_t DVDGetTitle(int32_t index, void* block) {
  unsigned char* b = (unsigned char*)block;
  const double length = 125.5, chapter = 60.25;
  int32_t v;
  switch (index) {
    case 0:
      memcpy(b + 0, &length, 8);
      v = 2; memcpy(b + 8, &v, 4);        /* MPEG-2 */
      v = 0xE0; memcpy(b + 12, &v, 4);
      v = 720; memcpy(b + 16, &v, 4);
      v = 576; memcpy(b + 20, &v, 4);
      v = 1; memcpy(b + 28, &v, 4);       /* 16:9 */
      v = 1; memcpy(b + 32, &v, 4);       /* one audio stream */
      v = 4; memcpy(b + 36, &v, 4);       /* AC3 */
      v = 0x80; memcpy(b + 40, &v, 4);
      memcpy(b + 52, "en", 2);
      memcpy(b + 56, "English", 7);
      v = 1; memcpy(b + 708, &v, 4);
      v = 0x20; memcpy(b + 716, &v, 4);
      memset(b + 724, 'x', 64);           /* a name filling its whole array */
      v = 2; memcpy(b + 3144, &v, 4);
      memcpy(b + 3152, &chapter, 8);
      memcpy(b + 3160, &chapter, 8);
      v = 1; memcpy(b + 3952, &v, 4);
      return 1;
    case 1:
      memset(b, 0x5A, 3960);
      return 0;
    case 2:
      v = 50; memcpy(b + 32, &v, 4);
      v = -3; memcpy(b + 708, &v, 4);
      v = 1000; memcpy(b + 3144, &v, 4);
      return 1;
    default:
      return 0;
  }
}

#ifndef NO_VERSION
int32_t DVDGetLibVersion(void) { return 0x01020304; }
#endif
