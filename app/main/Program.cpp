// The program's start: the application object and its windows in their
// fixed order; the first made is the main window.
#include "app/main/main.h"

#include "app/editing/clip.h"
#include "app/editing/crop.h"
#include "app/editing/profilechoosing.h"
#include "app/editing/settings.h"
#include "app/editing/tageditor.h"
#include "app/input/FreeHandWnd.h"
#include "app/input/recorder.h"
#include "app/main/about.h"
#include "app/main/dvdinfo.h"
#include "app/main/ErrorReport.h"
#include "app/main/errordlg.h"
#include "app/main/fileinfo.h"
#include "app/main/log.h"
#include "app/main/mediaload.h"
#include "app/main/preferences.h"
#include "app/update/updater.h"
#include "framework/SysUtils.h"

int RunTessavane() {
  const bool ok = RunGuarded([] {
    TApplication app;
    app.Title = "";
    // From the first step of the start-up on, every failure shows the
    // error window.
    InstallErrorReport();
    InstallErrorWindow();
    app.CreateForm(MainForm);
    app.CreateForm(proform);
    app.CreateForm(ClipForm);
    app.CreateForm(CropForm);
    app.CreateForm(settingsform);
    app.CreateForm(LogForm);
    app.CreateForm(AboutForm);
    app.CreateForm(FileInfoForm);
    app.CreateForm(ErrorForm);
    app.CreateForm(DVDInfoForm);
    app.CreateForm(LoadForm);
    app.CreateForm(RecForm);
    app.CreateForm(FreeHandWindow);
    app.CreateForm(PreferForm);
    app.CreateForm(UpdaterForm);
    app.CreateForm(TagEditForm);
    ConnectProgramWindows();
    app.Run();
  });
  return ok ? 0 : 1;
}
