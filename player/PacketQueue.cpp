// Packet queues between the read thread and the decoders. SDL's mutexes and
// conditions guard them because SDL's own audio thread takes from one.
#include <new>

#include "engine/AVCodecStubs.h"
#include "player/PlayerState.h"

namespace {
// Bytes of bookkeeping counted per queued packet.
constexpr int NodeOverhead = 80;

void FreeNode(TPacketQueue* q, TPacketNode* node) {
  if (node->pkt != q->flush_pkt) ff::av_packet_free(&node->pkt);
  delete node;
}
}  // namespace

bool IsFlushPacket(const TVideoState* is, const AVPacket* pkt) {
  return pkt == &is->Owner->Fflush_pkt;
}

void PacketQueueInit(TVideoState* is, TPacketQueue* q) {
  q->first_pkt = q->last_pkt = nullptr;
  q->nb_packets = 0;
  q->size = 0;
  q->abort_request = 0;
  q->sdl = &is->Owner->SDL();
  q->flush_pkt = &is->Owner->Fflush_pkt;
  q->mutex = q->sdl->SDL_CreateMutex();
  q->cond = q->sdl->SDL_CreateCond();
}

// Takes over the packet's data (the caller's packet is left empty).
int PacketQueuePut(TPacketQueue* q, AVPacket* pkt) {
  AVPacket* own = pkt;
  if (pkt != q->flush_pkt) {
    own = ff::av_packet_alloc();
    if (!own) return -1;
    ff::av_packet_move_ref(own, pkt);
    if (!own->buf && own->size > 0) {
      // Data the demuxer still owns must be copied before it moves on.
      AVPacket* copy = ff::av_packet_clone(own);
      ff::av_packet_free(&own);
      if (!copy) return -1;
      own = copy;
    }
  }
  auto* node = new (std::nothrow) TPacketNode{own, nullptr};
  if (!node) {
    if (own != q->flush_pkt) ff::av_packet_free(&own);
    return -1;
  }
  q->sdl->SDL_LockMutex(q->mutex);
  if (!q->last_pkt)
    q->first_pkt = node;
  else
    q->last_pkt->next = node;
  q->last_pkt = node;
  q->nb_packets++;
  q->size += own->size + NodeOverhead;
  q->sdl->SDL_CondSignal(q->cond);
  q->sdl->SDL_UnlockMutex(q->mutex);
  return 0;
}

int PacketQueueGet(TPacketQueue* q, AVPacket** pkt, bool block) {
  int ret;
  q->sdl->SDL_LockMutex(q->mutex);
  for (;;) {
    if (q->abort_request) {
      ret = -1;
      break;
    }
    TPacketNode* node = q->first_pkt;
    if (node) {
      q->first_pkt = node->next;
      if (!q->first_pkt) q->last_pkt = nullptr;
      q->nb_packets--;
      q->size -= node->pkt->size + NodeOverhead;
      *pkt = node->pkt;
      delete node;
      ret = 1;
      break;
    }
    if (!block) {
      ret = 0;
      break;
    }
    q->sdl->SDL_CondWait(q->cond, q->mutex);
  }
  q->sdl->SDL_UnlockMutex(q->mutex);
  return ret;
}

void PacketQueueFlush(TPacketQueue* q) {
  if (!q->mutex) return;
  q->sdl->SDL_LockMutex(q->mutex);
  for (TPacketNode* node = q->first_pkt; node;) {
    TPacketNode* next = node->next;
    FreeNode(q, node);
    node = next;
  }
  q->first_pkt = q->last_pkt = nullptr;
  q->nb_packets = 0;
  q->size = 0;
  q->sdl->SDL_UnlockMutex(q->mutex);
}

void PacketQueueAbort(TPacketQueue* q) {
  if (!q->mutex) return;
  q->sdl->SDL_LockMutex(q->mutex);
  q->abort_request = 1;
  q->sdl->SDL_CondSignal(q->cond);
  q->sdl->SDL_UnlockMutex(q->mutex);
}

void PacketQueueDestroy(TPacketQueue* q) {
  if (!q->mutex) return;
  PacketQueueFlush(q);
  q->sdl->SDL_DestroyMutex(q->mutex);
  q->sdl->SDL_DestroyCond(q->cond);
  q->mutex = nullptr;
  q->cond = nullptr;
}
