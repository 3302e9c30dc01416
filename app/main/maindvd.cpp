// DVD titles, downloads and recordings from the main window.
#include "app/main/main.h"
#include "app/main/MainParts.h"

using namespace mainparts;

void TMainForm::BuildMediaInputCommands() {}
