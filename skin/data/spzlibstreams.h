// zlib streams over the framework's streams: what is written to a
// TCompressionStream arrives deflated in its destination, what is read from
// a TDecompressionStream comes inflated from its source.
#pragma once

#include <zlib.h>

#include "framework/Classes.h"
#include "framework/Streams.h"
#include "skin/data/spzlibcompress.h"

class TCustomZlibStream : public TStream {
public:
  explicit TCustomZlibStream(TStream* Strm);
  TNotifyEvent OnProgress;

protected:
  virtual void Progress();
  TStream* FStrm;           // not owned
  int64_t FStrmPos;         // where this stream last left FStrm
  z_stream FZRec{};
  uint8_t FBuffer[8192];
};

class TCompressionStream : public TCustomZlibStream {
public:
  TCompressionStream(TCompressionLevel CompressionLevel, TStream* Dest);
  // Finishes the zlib stream into Dest.
  ~TCompressionStream() override;
  size_t Read(void* Buffer, size_t Count) override;   // raises: write-only
  size_t Write(const void* Buffer, size_t Count) override;
  // Only Seek(0, soCurrent): the number of bytes written so far.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  float CompressionRate() const;

private:
  void Flush(const uint8_t* data, size_t n);
};

class TDecompressionStream : public TCustomZlibStream {
public:
  explicit TDecompressionStream(TStream* Source);
  ~TDecompressionStream() override;
  // Fewer bytes than asked once the zlib stream has ended (also when more
  // data follows it) or the source has run dry.
  size_t Read(void* Buffer, size_t Count) override;
  size_t Write(const void* Buffer, size_t Count) override;   // raises: read-only
  // To the start (0 from the beginning), or forward by reading.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;

private:
  bool FEnded = false;
};

// The whole of Source, from its start, deflated at the best level into Dest.
void CompressMemoryStream(TMemoryStream* Source, TStream* Dest);
// The whole of Source, from its start, inflated into Dest.
void DecompressStream(TStream* Dest, TStream* Source);
