#include "app/input/CapturePacketQueue.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>

#include "engine/AVCodecStubs.h"
#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFUtils.h"

TCapturePacketQueue::~TCapturePacketQueue() {
  while (TNode* node = FHead) {
    FHead = node->next;
    ff::av_packet_free(&node->pkt);
    delete node;
  }
}

AVPacket* TCapturePacketQueue::Append(const uint8_t* data, size_t size) {
  auto* node = new (std::nothrow) TNode{nullptr, nullptr};
  if (!node) return nullptr;
  node->pkt = ff::av_packet_alloc();
  if (!node->pkt || ff::av_new_packet(node->pkt, static_cast<int>(size)) < 0) {
    ff::av_packet_free(&node->pkt);
    delete node;
    return nullptr;
  }
  std::memcpy(node->pkt->data, data, size);
  (FTail ? FTail->next : FHead) = node;
  FTail = node;
  FBytes += size;
  Wake();
  return node->pkt;
}

void TCapturePacketQueue::Wake() {
  FSignalled = true;
  FWake.notify_all();
}

int TCapturePacketQueue::Read(AVFormatContext* ctx, AVPacket* pkt, const std::atomic<int>* stopped) {
  std::unique_lock<std::mutex> lock(FMutex);
  for (;;) {
    // What was queued before the capture ended is still delivered; only an
    // empty queue after the end is the end of the stream.
    const bool ended = stopped && *stopped == 1;
    FSignalled = false;
    if (TNode* node = FHead) {
      FHead = node->next;
      if (!FHead) FTail = nullptr;
      FBytes -= static_cast<uint64_t>(node->pkt->size);
      lock.unlock();
      ff::av_packet_move_ref(pkt, node->pkt);
      ff::av_packet_free(&node->pkt);
      delete node;
      return pkt->size;
    }
    if (ended) return AVERROR_EOF;
    if (ctx->flags & AVFMT_FLAG_NONBLOCK) {
      ff::av_log(ctx, AV_LOG_DEBUG, "non-block, need read again\n");
      return AVERROR(EAGAIN);
    }
    if (!FWake.wait_for(lock, std::chrono::seconds(1), [this] { return FSignalled; })) {
      ff::av_log(ctx, AV_LOG_DEBUG, "wait timeout, need read again\n");
      return AVERROR(EAGAIN);
    }
  }
}
