// What the trim and edit windows need of the main window and of dialogs
// built elsewhere. The main window fills these in at start-up; each has a
// harmless default so the windows also run on their own (tests, start-up).
#pragma once

#include <functional>
#include <string>

class TFont;
class TWinControl;

struct TEditHost {
  // The main window's preview volume (its VolumeTrackBar, 0..128).
  std::function<int()> PreviewVolume;
  // Sets the main preview player's volume and the main volume bar.
  std::function<void(int volume)> SetPreviewVolume;
  // The main grid repaints after a row changed.
  std::function<void()> RepaintGrid;
  // The font dialog for the text overlay: starts with `font`, copies the
  // chosen font back into it and returns true on OK.
  std::function<bool(TFont* font)> ExecuteFontDialog;
  // The open dialog for the overlay picture; true with the chosen name.
  std::function<bool(std::string& fileName)> ChooseOverlayPicture;
  // The folder of the opened DVD (for DVD title items).
  std::function<std::string()> DvdPath;
  // A short message to the user (the skinned message box in the program).
  std::function<void(const std::string& text)> ShowMessage;
};

TEditHost& EditHost();

// Each call goes to the host's function or, without one, to the default.
int HostPreviewVolume();
void HostSetPreviewVolume(int volume);
void HostRepaintGrid();
bool HostExecuteFontDialog(TFont* font);
bool HostChooseOverlayPicture(std::string& fileName);
void HostShowMessage(const std::string& text);
std::string HostDvdPath();

// The skin folder beside the program, with a trailing delimiter.
std::string EditSkinFolder();
