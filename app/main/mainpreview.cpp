// The main window's preview player and snapshots.
#include "app/main/main.h"
#include "app/main/MainParts.h"

using namespace mainparts;

void TMainForm::BuildPreview() {}

void TMainForm::StopPreview() {}

int TMainForm::PreviewVolume() { return 128; }

void TMainForm::SetPreviewVolume(int) {}
