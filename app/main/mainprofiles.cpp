// The main window's output parameter grid and profile commands.
#include "app/main/main.h"
#include "app/main/MainParts.h"

using namespace mainparts;

void TMainForm::BuildProfileCommands() {}

void TMainForm::ShowProfileIcons(TPicture*, TPicture*) {}

bool TMainForm::InputQuery(const std::string&, const std::string&, std::string&) { return false; }
