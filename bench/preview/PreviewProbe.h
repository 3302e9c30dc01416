// Readings of a running playback for the benchmark, from its media side.
#pragma once

class TCustomPlayer;

// |video clock - sound clock| in seconds; -1 while nothing is shown yet.
double PreviewClockGap(TCustomPlayer* player);
// Pictures drawn so far; -1 without a playback.
long long PreviewShownPictures(TCustomPlayer* player);
