// The fade-in of a layered popup: the constant alpha of each timer tick.
// Platform-neutral; TspLayerManager drives it from its timer.
#pragma once

class TspLayerFade {
public:
  // Targets are held to 0..255. The step is a tenth of the target, and at
  // least 1, so that a small target is still reached.
  void Start(int Target);
  // One tick: the new alpha. Running() turns false once the target is reached.
  int Tick();
  bool Running() const { return FRunning; }
  void Stop() { FRunning = false; }
  int Current() const { return FBegin; }
  int Target() const { return FEnd; }
  int Step() const { return FStep; }

private:
  int FBegin = 0, FEnd = 0, FStep = 0;
  bool FRunning = false;
};
