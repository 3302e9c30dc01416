// Checks the maker's version page for a newer version of the program, asks
// its owner through events whether to take it, downloads the update file over
// HTTP and starts it. Works on the GUI thread: the window messages keep being
// processed after every block read, so the owner can Abort a transfer.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Classes.h"

enum TmxVersionFormat { vfStandard, vfString, vfNumber };

enum TmxUpdateOption : unsigned { uoRunUpdate = 1u << 0, uoTerminate = 1u << 1, uoOverwrite = 1u << 2 };
using TmxUpdateOptions = unsigned;

// The installed product.
class TmxProductInfo : public TPersistent {
public:
  const std::string& URL() const { return FURL; }
  // An address without the scheme gets "http://" in front.
  void SetURL(const std::string& value);
  std::string Version = "1.0";
  TmxVersionFormat VersionFormat = vfStandard;
  void Assign(const TPersistent* source) override;

private:
  std::string FURL = "http://";
};

// The names of the META tags looked for on the version page.
class TmxTagInfo : public TPersistent {
public:
  std::string Author = "mxAuthor";
  std::string Email = "mxEmail";
  std::string ClientFileName = "mxClientSideName";
  std::string Download = "mxDownload";
  std::string ProductName = "mxProduct";
  std::string Redirection = "mxRedirection";
  std::string RunParameters = "mxRunParameters";
  std::string Version = "mxVersion";
  void Assign(const TPersistent* source) override;
};

// Texts of the information window.
class TmxInfoCaption : public TPersistent {
public:
  std::string OkButton = "&OK";
  std::string CancelButton = "&Cancel";
  std::string CheckForUpdate = "C&heck for updates in the future";
  void Assign(const TPersistent* source) override;
};

using TDownloadEvent = std::function<void(TObject* sender, int total, int downloaded)>;
using TShowInfoEvent = std::function<void(TObject* sender, bool& showInfo, bool& checkForUpdate)>;
using TAfterShowInfoEvent = std::function<void(TObject* sender, bool checkForUpdate)>;
using TGetClientFileNameEvent = std::function<void(TObject* sender, std::string& fileName)>;
using TDownloadFileEvent = std::function<void(TObject* sender, const std::string& fileName)>;
using TClientFileExistsEvent = std::function<void(TObject* sender, std::string& fileName, bool& overwrite)>;
using TUpdateAvailableEvent =
    std::function<void(TObject* sender, const std::string& actualVersion, const std::string& newVersion, bool& canUpdate)>;

// What the information window answers: true when it closed with OK;
// `checkForUpdate` comes in as the check box's state and goes out as the user left it.
class TmxWebUpdate;
using TmxInfoWindowFactory =
    std::function<bool(TmxWebUpdate* sender, const std::string& url, bool& checkForUpdate)>;

class TmxWebUpdate : public TComponent {
public:
  explicit TmxWebUpdate(TComponent* owner);
  ~TmxWebUpdate() override;

  // The whole check; true only when an update was downloaded.
  bool CheckForAnUpdate();
  // A running transfer stops before its next block.
  void Abort() { FAborting = true; }

  TmxTagInfo* TagInfo() const { return FTagInfo.get(); }
  TmxProductInfo* ProductInfo() const { return FProductInfo.get(); }
  TmxInfoCaption* InfoCaption() const { return FInfoCaption.get(); }
  std::string UserName;
  std::string Password;
  TmxUpdateOptions Options = uoRunUpdate | uoTerminate;
  // The component's own version, "1.21".
  std::string Version() const;
  std::string TargetFolder;
  unsigned HTTPPort = 80;

  TDownloadFileEvent OnBeforeDownload;
  TDownloadFileEvent OnAfterDownload;
  TUpdateAvailableEvent OnUpdateAvailable;
  TGetClientFileNameEvent OnGetClientFileName;
  TClientFileExistsEvent OnClientFileExists;
  TShowInfoEvent OnBeforeShowInfo;
  TAfterShowInfoEvent OnAfterShowInfo;
  TNotifyEvent OnBeforeGetInfo;
  TNotifyEvent OnCannotExecute;
  TNotifyEvent OnAfterGetInfo;
  TNotifyEvent OnNoUpdateFound;
  TDownloadEvent OnDownload;
  TNotifyEvent OnDownloadError;

  // Shows the information window (the updater window supplies it); without
  // one, showing the information declines the update.
  TmxInfoWindowFactory InfoWindow;

  // What the last version page offered.
  const std::string& ProductVersion() const { return FProductVersion; }
  const std::string& UpdateURL() const { return FUpdateURL; }
  const std::string& ClientFileName() const { return FClientFileName; }
  const std::string& RedirectionURL() const { return FRedirectionURL; }
  const std::string& Author() const { return FAuthor; }
  const std::string& EMail() const { return FEMail; }
  const std::string& ProductName() const { return FProductName; }
  const std::string& RunParameters() const { return FRunParameters; }
  // The local file of the last download, and how it went.
  const std::string& FileName() const { return FFileName; }
  bool DownloadResult() const { return FDownloadResult; }
  int FileSize() const { return FFileSize; }
  unsigned DownloadedSize() const { return FDownloadedSize; }
  bool Active() const { return FActive; }
  const std::vector<std::string>& Info() const { return FInfo; }

  // At most this many version pages are followed through redirections.
  static constexpr int MaxRedirections = 5;

protected:
  virtual void DoDownload();
  virtual void DoDownloadError();
  virtual void DoBeforeDownload(const std::string& fileName);
  virtual void DoAfterDownload(const std::string& fileName);
  virtual void DoNoUpdateFound();
  virtual void DoAfterGetInfo();
  virtual void DoBeforeGetInfo();
  virtual void DoCannotExecute();
  virtual bool ShowUpdateInfo();
  virtual std::string GetTargetFileName();
  virtual void SplitURL(const std::string& url, std::string& host, std::string& path);

public:
  // The steps of a check, open for the updater window and the tests.
  void ParseVersionPage(const std::vector<std::string>& lines);
  bool IsNewerVersion();
  void FetchVersionPage();
  void DownloadUpdate();

private:
  bool HttpGet(const std::string& url, const std::string& targetFile, bool toFile, bool needLength);

  int FVersion = 277;
  std::unique_ptr<TmxProductInfo> FProductInfo;
  std::unique_ptr<TmxTagInfo> FTagInfo;
  std::unique_ptr<TmxInfoCaption> FInfoCaption;
  bool FActive = false;
  std::string FFileName;
  std::vector<std::string> FInfo;
  bool FAborting = false;
  std::string FProductVersion, FUpdateURL, FClientFileName, FRedirectionURL, FAuthor, FEMail, FProductName,
      FRunParameters;
  bool FDownloadResult = false;
  int FFileSize = 0;
  unsigned FDownloadSize = 0;
  unsigned FDownloadedSize = 0;
};
