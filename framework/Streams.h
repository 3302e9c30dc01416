// Byte streams: the base class, files and memory. No windows.h here, so
// media code can use them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/readers/Errors.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class EStreamError : public Exception {
public:
  explicit EStreamError(const std::string& message) : Exception(message) {}
};
class EFOpenError : public EStreamError {
public:
  explicit EFOpenError(const std::string& message) : EStreamError(message) {}
};
class EFCreateError : public EStreamError {
public:
  explicit EFCreateError(const std::string& message) : EStreamError(message) {}
};

class TStream : public TObject {
public:
  // Return how many bytes were moved; short counts are not errors here.
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size);

  // All or nothing: a short read raises EReadError, a short write EWriteError.
  void ReadBuffer(void* buffer, size_t count);
  void WriteBuffer(const void* buffer, size_t count);
  // Copies count bytes from source's position (count 0: all of source,
  // from its start). Returns the number copied.
  int64_t CopyFrom(TStream* source, int64_t count);
  // The rest of the stream from its position; refuses more than `limit`.
  std::vector<uint8_t> ReadRest(size_t limit = size_t(1) << 30);
};

enum : unsigned {
  fmCreate = 0xFF00,
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyNone = 0x0040,
};

// A file on disk through Win32 (Windows path names, UTF-8).
class TFileStream : public TStream {
public:
  // fmCreate makes or empties the file; the other modes open an existing one.
  TFileStream(const std::string& fileName, unsigned mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  const std::string& FileName() const { return FFileName; }

private:
  void* FHandle;
  std::string FFileName;
};

class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t size) override;

  void Clear();
  uint8_t* Memory() { return FData.data(); }
  const std::vector<uint8_t>& Bytes() const { return FData; }
  void LoadFromStream(TStream* stream);
  void SaveToStream(TStream* stream);
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

private:
  std::vector<uint8_t> FData;
  size_t FPosition = 0;
};

// Whole files; raise EFOpenError / EFCreateError naming the file.
std::vector<uint8_t> ReadFileBytes(const std::string& fileName);
void WriteFileBytes(const std::string& fileName, const void* data, size_t size);
