#include "skin/data/spzlibstreams.h"

static const char* kInvalidOperation = "Invalid stream operation";


TCustomZlibStream::TCustomZlibStream(TStream* Strm) : FStrm(Strm), FStrmPos(Strm->Position()) {}

void TCustomZlibStream::Progress() {
  if (OnProgress) OnProgress(this);
}

// ---------------------------------------------------------------- deflate

TCompressionStream::TCompressionStream(TCompressionLevel CompressionLevel, TStream* Dest)
    : TCustomZlibStream(Dest) {
  FZRec.next_out = FBuffer;
  FZRec.avail_out = sizeof FBuffer;
  if (deflateInit(&FZRec, ZlibLevel(CompressionLevel)) < 0) throw ECompressionError("error");
}

void TCompressionStream::Flush(const uint8_t* data, size_t n) {
  FStrm->WriteBuffer(data, n);
  FStrmPos = FStrm->Position();
}

size_t TCompressionStream::Write(const void* Buffer, size_t Count) {
  FZRec.next_in = static_cast<Bytef*>(const_cast<void*>(Buffer));
  FZRec.avail_in = uInt(Count);
  if (FStrm->Position() != FStrmPos) FStrm->SetPosition(FStrmPos);
  while (FZRec.avail_in > 0) {
    if (deflate(&FZRec, Z_NO_FLUSH) < 0) throw ECompressionError("error");
    if (FZRec.avail_out == 0) {
      Flush(FBuffer, sizeof FBuffer);
      FZRec.next_out = FBuffer;
      FZRec.avail_out = sizeof FBuffer;
      Progress();
    }
  }
  return Count;
}

TCompressionStream::~TCompressionStream() {
  FZRec.next_in = nullptr;
  FZRec.avail_in = 0;
  // A destructor must not throw: a destination that fails to take the tail
  // leaves an unfinished stream, which its reader reports.
  try {
    if (FStrm->Position() != FStrmPos) FStrm->SetPosition(FStrmPos);
    int rc;
    while ((rc = deflate(&FZRec, Z_FINISH)) != Z_STREAM_END && FZRec.avail_out == 0) {
      if (rc < 0 && rc != Z_BUF_ERROR) break;
      Flush(FBuffer, sizeof FBuffer);
      FZRec.next_out = FBuffer;
      FZRec.avail_out = sizeof FBuffer;
    }
    if (FZRec.avail_out < sizeof FBuffer) Flush(FBuffer, sizeof FBuffer - FZRec.avail_out);
  } catch (...) {
  }
  deflateEnd(&FZRec);
}

size_t TCompressionStream::Read(void*, size_t) { throw ECompressionError(kInvalidOperation); }

int64_t TCompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Offset == 0 && Origin == soCurrent) return int64_t(FZRec.total_in);
  throw ECompressionError(kInvalidOperation);
}

float TCompressionStream::CompressionRate() const {
  if (FZRec.total_in == 0) return 0;
  return float((1.0 - double(FZRec.total_out) / double(FZRec.total_in)) * 100.0);
}

// ---------------------------------------------------------------- inflate

TDecompressionStream::TDecompressionStream(TStream* Source) : TCustomZlibStream(Source) {
  FZRec.next_in = FBuffer;
  FZRec.avail_in = 0;
  if (inflateInit(&FZRec) < 0) throw EDecompressionError("compression error");
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(&FZRec); }

size_t TDecompressionStream::Read(void* Buffer, size_t Count) {
  FZRec.next_out = static_cast<Bytef*>(Buffer);
  FZRec.avail_out = uInt(Count);
  if (FStrm->Position() != FStrmPos) FStrm->SetPosition(FStrmPos);
  while (FZRec.avail_out > 0 && !FEnded) {
    if (FZRec.avail_in == 0) {
      size_t got = FStrm->Read(FBuffer, sizeof FBuffer);
      if (got == 0) return Count - FZRec.avail_out;
      FZRec.next_in = FBuffer;
      FZRec.avail_in = uInt(got);
      FStrmPos = FStrm->Position();
      Progress();
    }
    int rc = inflate(&FZRec, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) FEnded = true;
    // Z_NEED_DICT is positive, but nothing will ever come of such a stream.
    else if (rc == Z_NEED_DICT || (rc < 0 && rc != Z_BUF_ERROR)) throw EDecompressionError("compression error");
  }
  return Count - FZRec.avail_out;
}

size_t TDecompressionStream::Write(const void*, size_t) { throw EDecompressionError(kInvalidOperation); }

int64_t TDecompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t produced = int64_t(FZRec.total_out);
  if (Offset == 0 && Origin == soBeginning) {
    if (inflateReset(&FZRec) < 0) throw EDecompressionError("compression error");
    FZRec.next_in = FBuffer;
    FZRec.avail_in = 0;
    FEnded = false;
    FStrm->SetPosition(0);
    FStrmPos = 0;
    return 0;
  }
  int64_t skip;
  if (Origin == soCurrent && Offset >= 0) skip = Offset;
  else if (Origin == soBeginning && Offset > produced) skip = Offset - produced;
  else if (Origin == soCurrent || Origin == soBeginning) {
    if (Offset == 0 && Origin == soCurrent) return produced;
    throw EDecompressionError(kInvalidOperation);
  } else {
    throw EDecompressionError(kInvalidOperation);
  }
  uint8_t buf[8192];
  while (skip > 0) {
    size_t want = size_t(std::min<int64_t>(skip, sizeof buf));
    size_t got = Read(buf, want);
    skip -= int64_t(got);
    if (got < want) break;
  }
  return int64_t(FZRec.total_out);
}

void CompressMemoryStream(TMemoryStream* Source, TStream* Dest) {
  Source->SetPosition(0);
  TCompressionStream z(TCompressionLevel::clMax, Dest);
  z.CopyFrom(Source, 0);
}

void DecompressStream(TStream* Dest, TStream* Source) {
  Source->SetPosition(0);
  TDecompressionStream z(Source);
  uint8_t buf[4096];
  for (;;) {
    size_t got = z.Read(buf, sizeof buf);
    if (got == 0) break;
    Dest->WriteBuffer(buf, got);
  }
}
