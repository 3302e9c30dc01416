// Program entry: makes the application object and the main window, then runs
// the message loop until the main window closes.
#include "app/main/main.h"
#include "app/main/mediaload.h"

int main() {
  int exitCode = 0;
  bool ok = RunGuarded([&] {
    TApplication app;
    app.Title = "";
    app.CreateForm(MainForm);
    app.CreateForm(LoadForm);
    app.Run();
  });
  if (!ok) exitCode = 1;
  return exitCode;
}
