// The updater window: owns the web update component, turns its events into
// the program's messages and shows a small download window with a gauge
// while an update file arrives.
#pragma once

#include <memory>
#include <string>

#include "app/update/mxWebUpdate.h"
#include "framework/Forms.h"

class TspSkinStdLabel;
class TspSkinGauge;
class TspSkinButton;
class TspSkinMessage;

// False until the main window's first showing has run its silent check;
// the error and "no update" messages appear only once it is true.
extern bool StartupCheckDone;

class TUpdaterForm;
// The program's updater window, made at start-up.
extern TUpdaterForm* UpdaterForm;

class TUpdaterForm : public TForm {
public:
  explicit TUpdaterForm(TComponent* owner);
  ~TUpdaterForm() override;

  TmxWebUpdate* WebUpdater = nullptr;
  TspSkinStdLabel* lblInfo = nullptr;
  TspSkinGauge* Gauge = nullptr;
  TspSkinButton* CancelBtn = nullptr;
  // The message box the window asks and reports through: the main window's
  // when it sets one, else a plain one of the window's own.
  TspSkinMessage* SkinMessage = nullptr;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void CancelBtnClick(TObject* sender);
  void WebUpdaterUpdateAvailable(TObject* sender, const std::string& actualVersion, const std::string& newVersion,
                                 bool& canUpdate);
  void WebUpdaterBeforeShowInfo(TObject* sender, bool& showInfo, bool& checkForUpdate);
  void WebUpdaterBeforeDownload(TObject* sender, const std::string& fileName);
  void WebUpdaterDownload(TObject* sender, int total, int downloaded);
  void WebUpdaterAfterDownload(TObject* sender, const std::string& fileName);
  void WebUpdaterDownloadError(TObject* sender);
  void WebUpdaterNoUpdateFound(TObject* sender);

protected:
  const char16_t* WindowClassName() const override { return u"TUpdaterForm"; }
  void CreateParams(TCreateParams& params) override;

private:
  TspSkinMessage* FOwnMessage = nullptr;
};

// The web update component's information window. This program never shows
// it (the updater window switches it off); it shows the page's address in
// a read-only memo where a browser would show the page.
class TMemo;
class TspSkinPanel;
class TspSkinCheckRadioBox;

class Tfrm_ShowInfoUpdate : public TForm {
public:
  explicit Tfrm_ShowInfoUpdate(TComponent* owner);

  TspSkinPanel* Panel_Bottom = nullptr;
  TspSkinButton* btn_OK = nullptr;
  TspSkinButton* btn_Cancel = nullptr;
  TspSkinPanel* Panel2 = nullptr;
  TspSkinCheckRadioBox* chk_FutureUpdate = nullptr;
  TspSkinPanel* Panel1 = nullptr;
  TMemo* WebBrowser = nullptr;

  void Panel_BottomResize(TObject* sender);
  // Shows the address, sets the texts and the check box, runs modally;
  // true when it closed with OK.
  bool Run(const std::string& url, const TmxInfoCaption& captions, bool& checkForUpdate);

protected:
  const char16_t* WindowClassName() const override { return u"Tfrm_ShowInfoUpdate"; }
};
