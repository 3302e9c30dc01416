// Readings of a running playback for the benchmark, from its media side.
#pragma once

class TCustomPlayer;

// |video clock - sound clock| in seconds; -1 while nothing is shown yet.
double PreviewClockGap(TCustomPlayer* player);
// Pictures drawn so far; -1 without a playback.
long long PreviewShownPictures(TCustomPlayer* player);
// Pictures dropped so far (early and late, as the tool counts them); -1
// without a playback.
long long PreviewDroppedPictures(TCustomPlayer* player);
// Time of the picture on the screen in microseconds from the clip's start;
// -1 while none is shown. Reads two numbers, converts nothing.
long long PreviewShownPts(TCustomPlayer* player);
