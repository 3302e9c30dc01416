#include <windows.h>

#include "app/editing/EditHost.h"

#include "app/main/AppData.h"
#include "framework/SysUtils.h"

TEditHost& EditHost() {
  static TEditHost host;
  return host;
}

int HostPreviewVolume() { return EditHost().PreviewVolume ? EditHost().PreviewVolume() : 128; }

void HostSetPreviewVolume(int volume) {
  if (EditHost().SetPreviewVolume) EditHost().SetPreviewVolume(volume);
}

void HostRepaintGrid() {
  if (EditHost().RepaintGrid) EditHost().RepaintGrid();
}

bool HostExecuteFontDialog(TFont* font) {
  return EditHost().ExecuteFontDialog ? EditHost().ExecuteFontDialog(font) : false;
}

bool HostChooseOverlayPicture(std::string& fileName) {
  return EditHost().ChooseOverlayPicture ? EditHost().ChooseOverlayPicture(fileName) : false;
}

void HostShowMessage(const std::string& text) {
  if (EditHost().ShowMessage) {
    EditHost().ShowMessage(text);
    return;
  }
  const std::u16string w = UTF8ToUTF16(text);
  MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(w.c_str()), reinterpret_cast<LPCWSTR>(u"Tessavane"), MB_OK | MB_ICONINFORMATION);
}

std::string EditSkinFolder() { return ExeFolder() + "skin-tessavane\\"; }

std::string HostDvdPath() { return EditHost().DvdPath ? EditHost().DvdPath() : std::string(); }
