#include "framework/Streams.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("This stream cannot change its size"); }

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (count && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  if (count && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream* source, int64_t count) {
  if (count == 0) {
    source->SetPosition(0);
    count = source->Size();
  }
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
  int64_t left = count;
  while (left > 0) {
    size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(buffer.size())));
    source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= static_cast<int64_t>(n);
  }
  return count;
}

std::vector<uint8_t> TStream::ReadRest(size_t limit) {
  int64_t position = Position();
  int64_t size = Size();
  int64_t rest = size > position ? size - position : 0;
  if (static_cast<uint64_t>(rest) > limit) throw EReadError("Stream too large to read into memory");
  std::vector<uint8_t> data(static_cast<size_t>(rest));
  ReadBuffer(data.data(), data.size());
  return data;
}

// ---- files ----

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : FFileName(fileName) {
  std::u16string name = UTF8ToUTF16(fileName);
  DWORD access, disposition;
  if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
    access = GENERIC_READ | GENERIC_WRITE;
    disposition = CREATE_ALWAYS;
  } else {
    unsigned open = mode & 3;
    access = open == fmOpenWrite ? GENERIC_WRITE : open == fmOpenReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    disposition = OPEN_EXISTING;
  }
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if (mode & fmShareExclusive)
    share = 0;
  else if (mode & fmShareDenyWrite)
    share = FILE_SHARE_READ;
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(name.c_str()), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (disposition == CREATE_ALWAYS) throw EFCreateError("Cannot create file \"" + fileName + "\"");
    throw EFOpenError("Cannot open file \"" + fileName + "\"");
  }
  FHandle = h;
}

TFileStream::~TFileStream() { CloseHandle(static_cast<HANDLE>(FHandle)); }

size_t TFileStream::Read(void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(FHandle), static_cast<char*>(buffer) + done, chunk, &got, nullptr) || !got)
      break;
    done += got;
  }
  return done;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
    DWORD put = 0;
    if (!WriteFile(static_cast<HANDLE>(FHandle), static_cast<const char*>(buffer) + done, chunk, &put, nullptr) ||
        !put)
      break;
    done += put;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  DWORD method = origin == soBeginning ? FILE_BEGIN : origin == soCurrent ? FILE_CURRENT : FILE_END;
  if (!SetFilePointerEx(static_cast<HANDLE>(FHandle), distance, &result, method))
    throw EStreamError("Cannot seek in \"" + FFileName + "\"");
  return result.QuadPart;
}

void TFileStream::SetSize(int64_t size) {
  int64_t position = Position();
  Seek(size, soBeginning);
  if (!SetEndOfFile(static_cast<HANDLE>(FHandle))) throw EStreamError("Cannot resize \"" + FFileName + "\"");
  Seek(std::min(position, size), soBeginning);
}

// ---- memory ----

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (FPosition >= FData.size()) return 0;
  size_t n = std::min(count, FData.size() - FPosition);
  std::memcpy(buffer, FData.data() + FPosition, n);
  FPosition += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (!count) return 0;
  if (FPosition + count > FData.size()) FData.resize(FPosition + count);
  std::memcpy(FData.data() + FPosition, buffer, count);
  FPosition += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? static_cast<int64_t>(FPosition)
                                                                   : static_cast<int64_t>(FData.size());
  int64_t target = base + offset;
  if (target < 0) throw EStreamError("Seek before the start of a memory stream");
  FPosition = static_cast<size_t>(target);
  return target;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("Negative stream size");
  FData.resize(static_cast<size_t>(size));
  if (FPosition > FData.size()) FPosition = FData.size();
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
  stream->SetPosition(0);
  FData = stream->ReadRest();
  FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream* stream) { stream->WriteBuffer(FData.data(), FData.size()); }

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  FData = ReadFileBytes(fileName);
  FPosition = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) { WriteFileBytes(fileName, FData.data(), FData.size()); }

std::vector<uint8_t> ReadFileBytes(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  return file.ReadRest();
}

void WriteFileBytes(const std::string& fileName, const void* data, size_t size) {
  TFileStream file(fileName, fmCreate);
  file.WriteBuffer(data, size);
}
