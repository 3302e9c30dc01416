// Reads the tags of an audio file when its file name is set, and writes its
// tag fields back with Save.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Classes.h"

class TTagEditor : public TComponent {
public:
  explicit TTagEditor(TComponent* owner) : TComponent(owner) {}

  const std::string& FileName() const { return FFileName; }
  // Sets the file and reads its tags; raises EAuException when the tag
  // library cannot be loaded.
  void SetFileName(const std::string& value);
  // Writes the six tag fields into the file; raises EAuException when the
  // library refuses to save them.
  void Save();

  // The tag texts (UTF-8); year and track as decimal text.
  std::string Title, Album, Artist, Genre, Year, Track;
  uint32_t Duration() const { return FDuration; }  // seconds
  uint32_t Bitrate() const { return FBitrate; }    // kbit/s
  bool Valid() const { return FValid; }

private:
  std::string FFileName;
  uint32_t FDuration = 0;
  uint32_t FBitrate = 0;
  bool FValid = false;
};
