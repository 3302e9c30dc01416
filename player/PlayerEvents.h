// The two framework threads of a playback: the event thread that hands
// positions and states to the application, and the play thread that runs
// SDL's event loop.
#pragma once

#include "player/FFPlay.h"

class TEventThread : public TThread {
public:
  explicit TEventThread(TCustomPlayer* AOwner) : FOwner(AOwner) {}

protected:
  void Execute() override;

private:
  TCustomPlayer* FOwner;
};

class TPlayThread : public TThread {
public:
  explicit TPlayThread(TCustomPlayer* AOwner) : FOwner(AOwner) { FreeOnTerminate = true; }

protected:
  void Execute() override;

private:
  TCustomPlayer* FOwner;
};
