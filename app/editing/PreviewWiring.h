// What the preview players of the main, trim and edit windows share: their
// Play, Pause and Stop buttons, their position bar and the player's reports
// reach the window's handlers in the same way, and a player draws at the
// size of the control it shows in.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/Controls.h"
#include "player/FFPlay.h"
#include "skin/controls/SkinTrackBar.h"

// The picture size a player is given: that of `screen`, or the whole screen
// while it has none.
inline void PreviewScreenSize(const TControl* screen, int& width, int& height) {
  if (screen) {
    width = screen->Width();
    height = screen->Height();
  } else {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
  }
}

// The three buttons call the window's PlayButtonClick, PauseButtonClick and
// StopButtonClick.
template <class Form>
void WirePreviewButtons(Form* form, TControl* play, TControl* pause, TControl* stop) {
  play->OnClick = [form](TObject* s) { form->PlayButtonClick(s); };
  pause->OnClick = [form](TObject* s) { form->PauseButtonClick(s); };
  stop->OnClick = [form](TObject* s) { form->StopButtonClick(s); };
}

// A drag on the position bar starts in `startDrag`; the end of a gesture
// (a seek) arrives in `lastChange`.
template <class Form>
void WirePositionBar(TspSkinTrackBar* bar, Form* form, void (Form::*startDrag)(TObject*),
                     void (Form::*lastChange)(TObject*)) {
  bar->OnStartDragButton = [form, startDrag](TObject* s) { (form->*startDrag)(s); };
  bar->OnLastChange = [form, lastChange](TObject* s) { (form->*lastChange)(s); };
}

// The player's reports: the opened file, the position and the state.
template <class Form>
void WirePlayerReports(TVIDavaza* player, Form* form,
                       void (Form::*fileOpen)(TObject*, int64_t, int, int, int&, int&),
                       void (Form::*position)(TObject*, int64_t), void (Form::*state)(TObject*, int)) {
  player->OnFileOpen = [form, fileOpen](TObject* s, const int64_t d, int fw, int fh, int& sw, int& sh) {
    (form->*fileOpen)(s, d, fw, fh, sw, sh);
  };
  player->OnPosition = [form, position](TObject* s, const int64_t p) { (form->*position)(s, p); };
  player->OnState = [form, state](TObject* s, TPlayState st) { (form->*state)(s, st); };
}
