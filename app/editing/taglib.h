// The tag library's C interface, bound at run time: every entry is reached
// through a pointer of the same name in namespace tl, filled by name when the
// library file is loaded. The library is not part of the program; it is
// looked for beside it, then by the system's search.
#pragma once

extern "C" {
#include <taglib/tag_c.h>
}
#undef BOOL  // the tag header's own spelling of int; the platform has its own

#include "engine/Binding.h"

#define TESS_TAGLIB_FUNCTIONS(X)             \
  X(taglib_audioproperties_bitrate)          \
  X(taglib_audioproperties_channels)         \
  X(taglib_audioproperties_length)           \
  X(taglib_audioproperties_samplerate)       \
  X(taglib_file_audioproperties)             \
  X(taglib_file_free)                        \
  X(taglib_file_is_valid)                    \
  X(taglib_file_new)                         \
  X(taglib_file_new_type)                    \
  X(taglib_file_save)                        \
  X(taglib_file_tag)                         \
  X(taglib_id3v2_set_default_text_encoding)  \
  X(taglib_set_string_management_enabled)    \
  X(taglib_set_strings_unicode)              \
  X(taglib_tag_album)                        \
  X(taglib_tag_artist)                       \
  X(taglib_tag_comment)                      \
  X(taglib_tag_free_strings)                 \
  X(taglib_tag_genre)                        \
  X(taglib_tag_set_album)                    \
  X(taglib_tag_set_artist)                   \
  X(taglib_tag_set_comment)                  \
  X(taglib_tag_set_genre)                    \
  X(taglib_tag_set_title)                    \
  X(taglib_tag_set_track)                    \
  X(taglib_tag_set_year)                     \
  X(taglib_tag_title)                        \
  X(taglib_tag_track)                        \
  X(taglib_tag_year)

namespace tl {
TESS_TAGLIB_FUNCTIONS(TESS_FF_DECLARE)
}

// The library's file name.
constexpr const char* TagLibraryName = "libtag_c.dll";

// Binds the library once (under the tag units' lock); a failure leaves it
// unbound, so the next call tries again.
void LoadTagLibrary();
bool TagLibraryLoaded();
