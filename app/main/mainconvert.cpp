// Conversion control and the encoder's events of the main window.
#include "app/main/main.h"
#include "app/main/MainParts.h"

using namespace mainparts;

void TMainForm::BuildConversionCommands() {}
