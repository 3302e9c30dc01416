// The packets a capture device's own thread hands to the engine's reading
// thread, oldest first.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

struct AVFormatContext;
struct AVPacket;

// The device side holds Lock() around Append and Wake (and around whatever
// it decides from Bytes()); the reading side calls Read.
class TCapturePacketQueue {
public:
  TCapturePacketQueue() = default;
  ~TCapturePacketQueue();  // frees what was never read
  TCapturePacketQueue(const TCapturePacketQueue&) = delete;
  TCapturePacketQueue& operator=(const TCapturePacketQueue&) = delete;

  std::mutex& Lock() { return FMutex; }
  // With Lock() held: queues a packet holding a copy of the `size` bytes at
  // `data` and wakes the reader. Null, with nothing queued, when memory ran
  // out.
  AVPacket* Append(const uint8_t* data, size_t size);
  // With Lock() held: wakes the reader without a packet (the capture ended).
  void Wake();
  // With Lock() held: the bytes of all queued packets.
  uint64_t Bytes() const { return FBytes; }

  // Moves the oldest packet into `pkt` and returns its size. With none
  // queued: AVERROR_EOF when `stopped` says the capture is over, otherwise
  // AVERROR(EAGAIN), at once for a non-blocking context or after waiting a
  // second for a packet that did not come.
  int Read(AVFormatContext* ctx, AVPacket* pkt, const std::atomic<int>* stopped = nullptr);

private:
  struct TNode {
    AVPacket* pkt;
    TNode* next;
  };

  std::mutex FMutex;
  std::condition_variable FWake;
  bool FSignalled = false;  // set by Append and Wake, cleared by Read
  TNode* FHead = nullptr;
  TNode* FTail = nullptr;
  uint64_t FBytes = 0;
};
