// Conversion control and the encoder's events of the main window: Convert,
// Pause, Stop and Join All, the progress texts, the end of a run (tags,
// the second phase of Join All, shutdown, the output folder) and the two
// frame hooks.
#include "app/main/main.h"
#include "app/main/MainParts.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <memory>

#include "app/editing/ACS_Misc.h"
#include "app/editing/tageditor.h"
#include "app/main/AppStorage.h"
#include "app/main/Endpoints.h"
#include "app/main/ToolSwitches.h"
#include "app/main/ErrorReport.h"
#include "app/main/OptionText.h"
#include "app/main/Shutdown.h"
#include "engine/FFEncode.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinEdits.h"
#include "skin/dialogs/SkinGrids.h"
#include "skin/dialogs/spMessages.h"

using namespace mainparts;

// The records of one run: what the engine was given per task, and the rows
// the tasks belong to.
struct TConversionRecords {
  std::vector<TInputOptions> Inputs;
  std::vector<TOutputOptions> Outputs;
  // Task k belongs to row Rows[k] (in phase 2 the one task stands for every
  // checked row).
  std::vector<int> Rows;
  // Rows whose task ended with an error in this run.
  std::vector<bool> Failed;
  // Each task's output file, and whether the task finished it.
  std::vector<std::string> OutputNames;
  std::vector<bool> Done;
  // Each task's output length as its progress reports it, read by the output
  // hook of that task: tasks running side by side have lengths of their own.
  std::unique_ptr<std::atomic<int64_t>[]> Totals;
  size_t TotalCount = 0;
};

namespace {

const char* const kMergedTitle = "All Media Joined in One";
const char* const kFallbackFolder = "c:\\Brenlowe_temp";
// A row whose task failed; distinct from "Cancelled" (-2).
constexpr float kFailedState = -3;

std::string DecimalSeparator() {
  char16_t buffer[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, W(buffer), 8) > 0 && buffer[0] && buffer[0] < 0x80)
    return std::string(1, static_cast<char>(buffer[0]));
  return ".";
}

std::string PercentText(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
  std::string s = text;
  const size_t dot = s.find('.');
  if (dot != std::string::npos) s.replace(dot, 1, DecimalSeparator());
  return s + "%";
}

// While a run goes on only Pause and Stop (button and menu item) are live;
// the list and the options are locked.
void ShowConversionRunning(TMainForm& form) {
  form.ConversionActive = true;
  form.DisableButton(form.StartButton);
  form.EnableControls(false, true);
  form.PauseBtn->SetEnabled(true);
  form.Pause1->Enabled = true;
  form.StopBtn->SetEnabled(true);
  form.Stop1->Enabled = true;
}

// A run that has ended, finished or not, gives the controls back.
void ShowConversionIdle(TMainForm& form) {
  form.ConversionActive = false;
  form.EnableControls(true, true);
  form.DisableButton(form.StopBtn);
  form.DisableButton(form.PauseBtn);
  form.Stop1->Enabled = false;
  form.Pause1->Enabled = false;
}

// The name as the system resolves it (the folder made whole), for telling
// whether two names name one file; the name itself when it cannot be.
std::string FullFileName(const std::string& name) {
  const std::u16string wide = UTF8ToUTF16(name);
  const DWORD size = GetFullPathNameW(reinterpret_cast<LPCWSTR>(wide.c_str()), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::u16string full(size, u'\0');
  const DWORD n = GetFullPathNameW(reinterpret_cast<LPCWSTR>(wide.c_str()), size,
                                   reinterpret_cast<LPWSTR>(&full[0]), nullptr);
  if (n == 0 || n >= size) return name;
  full.resize(n);
  return UTF16ToUTF8(full);
}

// The task's failure as the user reads it: which file, and why.
std::string FailureText(const std::string& file, const std::string& message) {
  const std::string reason = message.empty() ? "the conversion ended without a message" : message;
  return file.empty() ? reason : file + ": " + reason;
}

std::string NameWithoutExtension(const std::string& source) {
  std::string name = ExtractFileName(source);
  const std::string ext = ExtractFileExt(name);
  return name.substr(0, name.size() - ext.size());
}

// The 198 x 18 promotional strip: a dark bar with a lighter rim and the
// product name.
void DrawPromoPicture(TBitmap& picture) {
  picture.SetPixelFormat(pf24bit);
  picture.SetSize(198, 18);
  TCanvas* canvas = picture.Canvas();
  for (int y = 0; y < 18; ++y) {
    const int shade = 40 + y * 3;
    canvas->Brush()->SetColor(static_cast<TColor>((shade << 16) | (shade / 2 << 8) | 16));
    canvas->FillRect(Rect(0, y, 198, y + 1));
  }
  canvas->Brush()->SetColor(static_cast<TColor>(0x30C0F0));
  canvas->FrameRect(Rect(0, 0, 198, 18));
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetName("Arial");
  canvas->Font()->SetHeight(-12);
  canvas->Font()->SetStyle({fsBold});
  canvas->Font()->SetColor(static_cast<TColor>(0xFFFFFF));
  canvas->TextOut(8, 2, "Converted with Tessavane");
  GdiFlush();
}

// Copies the picture's pixels into the frame at (x, y), clipped.
void BlendPicture(TBitmap& frame, const TBitmap& picture, int x, int y) {
  const int fb = frame.BitsPerPixel() / 8, pb = picture.BitsPerPixel() / 8;
  if ((fb != 3 && fb != 4) || (pb != 3 && pb != 4)) return;
  GdiFlush();
  for (int row = 0; row < picture.Height(); ++row) {
    const int fy = y + row;
    if (fy < 0 || fy >= frame.Height()) continue;
    uint8_t* dst = frame.ScanLine(fy);
    const uint8_t* src = picture.ScanLine(row);
    for (int col = 0; col < picture.Width(); ++col) {
      const int fx = x + col;
      if (fx < 0 || fx >= frame.Width()) continue;
      std::copy(src + col * pb, src + col * pb + 3, dst + fx * fb);
    }
  }
}

void AppendRecord(const std::string& path, const std::string& line) {
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(path).c_str()), FILE_APPEND_DATA, FILE_SHARE_READ,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

}  // namespace

// ---------------------------------------------------------------- shutdown

std::string OsVersionText() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return "";
  std::string text;
  switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s: text = "Win32s"; break;
    case VER_PLATFORM_WIN32_WINDOWS: text = "Windows 95"; break;
    case VER_PLATFORM_WIN32_NT: text = "Windows NT"; break;
    default: break;
  }
  std::u16string pack(reinterpret_cast<const char16_t*>(info.szCSDVersion));
  text += " Version " + std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) +
          "\r\n (Build " + std::to_string(info.dwBuildNumber) + ": " + UTF16ToUTF8(pack) + ")";
  return text;
}

void ShutdownComputer() {
  try {
    const UINT flags = EWX_SHUTDOWN | EWX_FORCE;
    if (OsVersionText().rfind("Windows NT", 0) == 0) {
      HANDLE token = nullptr;
      if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        MessageBoxW(nullptr, W(u"Exit Error"), W(u"OpenProcessToken() Failed"), MB_OK);
        return;
      }
      TOKEN_PRIVILEGES privileges{};
      if (!LookupPrivilegeValueW(nullptr, W(u"SeShutdownPrivilege"), &privileges.Privileges[0].Luid)) {
        CloseHandle(token);
        MessageBoxW(nullptr, W(u"Exit Error"), W(u"LookupPrivilegeValue() Failed"), MB_OK);
        return;
      }
      privileges.PrivilegeCount = 1;
      privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
      const DWORD error = GetLastError();
      CloseHandle(token);
      if (error != 0) {
        MessageBoxW(nullptr, W(u"Exit Error"), W(u"AdjustTokenPrivileges() Failed"), MB_OK);
        return;
      }
    }
    ExitWindowsEx(flags, 0);
  } catch (...) {
    ReportError("Error trying shut down the Windows", "CLM_Shut");
  }
}

std::function<void()> RequestShutdown = [] {
  const std::string recorder = ToolSwitch(ShutdownRecordSwitch);
  if (!recorder.empty()) {
    AppendRecord(recorder, "shutdown requested");
    return;
  }
  ShutdownComputer();
};

// ---------------------------------------------------------------- commands

void TMainForm::BuildConversionCommands() {
  ProcessUpdateTimer = Make<TTimer>(this, nullptr, "ProcessUpdateTimer");
  ProcessUpdateTimer->SetEnabled(false);
  ProcessUpdateTimer->SetInterval(500);
  ProcessUpdateTimer->OnTimer = [this](TObject* s) { ProcessUpdateTimerTimer(s); };
  // The texts are rebuilt at the first progress report after the timer
  // fired. Reports at the timer's own pace drift against it, and a row
  // whose task has not reported since the last rebuild keeps its old text
  // for a whole second; reports five times as often leave every rebuild a
  // fresh percentage of every running task.
  MediaEncoder->SetProgressInterval(100);
  DrawPromoPicture(PromoWatermark);
  TaskRecords = std::make_shared<TConversionRecords>();

  BindClick([this](TObject* s) { StartButtonClick(s); }, StartButton, Convert1);
  BindClick([this](TObject* s) { PauseBtnClick(s); }, PauseBtn, Pause1);
  BindClick([this](TObject* s) { StopBtnClick(s); }, StopBtn, spSkinSpeedButton9, Stop1);
  spSkinSpeedButton7->OnClick = [this](TObject* s) { spSkinSpeedButton7Click(s); };
  BindClick([this](TObject* s) { JoinButtonClick(s); }, JoinButton, spSkinSpeedButton6, Joinall1, JoinAll2,
            MenuItem10);
  ShutdownComputer1->OnClick = [this](TObject* s) { ShutdownComputer1Click(s); };
  chShutDownPC->OnClick = [this](TObject* s) { chShutDownPCClick(s); };
  OpenOutputFolder1->OnClick = [this](TObject* s) { OpenOutputFolder1Click(s); };

  MediaEncoder->OnProgress = [this](TObject* s, TProgressInfo* info) { MediaEncoderProgress(s, info); };
  MediaEncoder->OnTerminate = [this](TObject* s, const TTerminateInfo& info) { MediaEncoderTerminate(s, info); };
  MediaEncoder->OnVideoInputHook = [this](TObject* s, THookInfo* info) { MediaEncoderVideoInputHook(s, info); };
  MediaEncoder->OnVideoOutputHook = [this](TObject* s, THookInfo* info) { MediaEncoderVideoOutputHook(s, info); };
}

// The item grid redrawn at once: the rows' states change while the GUI
// thread is busy with the engine's calls, and a paint left for later can
// wait behind them.
void TMainForm::ShowRows() {
  RepaintList();
  if (sgList) sgList->Repaint();
}

void TMainForm::DisableButton(TControl* button) {
  button->SetEnabled(false);
  button->Repaint();
}

void TMainForm::StartButtonClick(TObject*) {
  // 1. Convert while paused resumes.
  if (MediaEncoder->Paused()) {
    AddToHistory("-> Resume is clicked.");
    ShowConversionRunning(*this);
    MediaEncoder->Resume();
    ShowRows();
    return;
  }
  AddToHistory("-> Convert is clicked.");

  // 3. The checked rows.
  int checked = 0;
  bool converted = false;
  for (const TMediaFile& f : MediaFiles)
    if (f.Checked) {
      ++checked;
      converted = converted || f.StatusS >= 100;
    }
  if (checked == 0) return;

  // 4. Joining one row is converting it.
  if (checked == 1 && JoinAllVideos) {
    JoinButton->SetCaption(Translate("Join All"));
    spSkinSpeedButton6->SetCaption(Translate("Join All"));
    JoinAllVideos = false;
    for (TMediaFile& f : MediaFiles) f.DestinationTitle = NameWithoutExtension(f.Source);
    ShowRows();
  }
  const bool phase2 = JoinConvertedFilesNow;
  const bool joining = JoinAllVideos;

  // 5.
  if (!phase2 && converted &&
      SkinMessage->MessageDlg(Translate("Some items are already converted. Convert them again?"), mtWarning,
                              MsgDlgButtons({mbYes, mbNo}), 0) != mrYes)
    return;

  // 6. The output folder, or the fallback folder.
  OutputFolder = edDestinationFolder->Text();
  if (!DirectoryExists(OutputFolder)) {
    SkinMessage->MessageDlg(Translate("Output folder does not exit. Converting to") + " \"" + kFallbackFolder +
                                "\".",
                            mtWarning, MsgDlgButtons({mbOK}), 0);
    if (!DirectoryExists(kFallbackFolder) && !ForceDirectories(kFallbackFolder)) {
      SkinMessage->MessageDlg(Translate("Could not create temporary directory. Please choose another output folder."),
                              mtWarning, MsgDlgButtons({mbOK}), 0);
      if (phase2) JoinConvertedFilesNow = false;
      return;
    }
    OutputFolder = kFallbackFolder;
  }
  while (OutputFolder.size() > 3 && (OutputFolder.back() == '\\' || OutputFolder.back() == '/'))
    OutputFolder.pop_back();

  // 7.
  StopPreview();

  // 8.
  std::vector<std::string> addresses;
  if (DVDMode && !CheckedDvdTitleAddresses(addresses, FDVDPath)) return;

  // 9.
  MediaEncoder->ClearTasks();
  TConversionRecords& run = *TaskRecords;
  run.Inputs.assign(static_cast<size_t>(checked), TInputOptions());
  run.Outputs.assign(static_cast<size_t>(checked), TOutputOptions());
  run.Rows.clear();
  run.Failed.assign(MediaFiles.size(), false);
  run.OutputNames.assign(static_cast<size_t>(checked), std::string());
  run.Done.assign(static_cast<size_t>(checked), false);
  // The files the run reads: no output may take the name of one of them,
  // nor of another output of the run.
  std::vector<std::string> namesInUse;
  if (!phase2 && !DVDMode)
    for (const TMediaFile& f : MediaFiles)
      if (f.Checked) namesInUse.push_back(FullFileName(f.Source));
  const std::string outputFolderName = FullFileName(OutputFolder);
  TextOverlays.assign(static_cast<size_t>(checked), TTextOverlay());
  run.Totals.reset(new std::atomic<int64_t>[static_cast<size_t>(checked)]);
  run.TotalCount = static_cast<size_t>(checked);
  for (size_t t = 0; t < run.TotalCount; ++t) run.Totals[t] = 0;
  StoppedByUser = 0;
  LastProgressTotal = 0;
  LastProgressDuration = 0;

  // 10. One task per checked row; in phase 2 one task over all parts. A
  // failure below ends the command: the rows then show the state they
  // were left in ("Awaiting...") rather than what was painted before.
  struct ShowRowsAtEnd {
    TMainForm* form;
    ~ShowRowsAtEnd() { form->ShowRows(); }
  } showRowsAtEnd{this};
  int k = 0;
  const TFormat* lastFormat = nullptr;
  for (size_t row = 0; row < MediaFiles.size(); ++row) {
    TMediaFile& item = MediaFiles[row];
    if (!item.Checked) continue;
    item.Status = Translate("Awaiting...");
    item.StatusS = 0;
    ++k;
    const TFormat* format = FormatOfItem(item);
    if (!format) {
      ReportError(Translate("Cannot set output file") + ": " + item.DestinationTitle, "CLM_SetOutputFile");
      return;
    }
    lastFormat = format;
    const std::string i = std::to_string(row + 1);

    TTaskContext context;
    context.Row = static_cast<int>(row);
    context.Phase2 = phase2;
    context.Joining = joining;
    context.OutputFolder = OutputFolder;
    context.TempFolder = TempFolder;
    context.DVDPath = FDVDPath;
    if (item.PictureOverlay && !phase2 && !item.OverlayPicturePath.empty()) {
      const std::string name = i + ExtractFileExt(item.OverlayPicturePath);
      const std::string copy = ProgramFolder() + "\\" + name;
      CopyFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(item.OverlayPicturePath).c_str()),
                reinterpret_cast<LPCWSTR>(UTF8ToUTF16(copy).c_str()), FALSE);
      if (FileExists(copy)) context.OverlayPictureName = name;
    }
    TTaskOptions options;
    try {
      options = BuildTaskOptions(item, *format, context);
    } catch (const EGeometry& e) {
      const std::string text = MediaEncoder->LastErrMsg();
      ReportError(text.empty() ? FailureText(item.Source, e.what()) : text, "CLM_SetCropFilters");
      return;
    }
    const size_t t = static_cast<size_t>(k - 1);
    if (!phase2 && !joining) {
      options.OutputFileName = UniqueOutputName(outputFolderName + "\\" + item.DestinationTitle, format->FormatExt,
                                                namesInUse);
      namesInUse.push_back(options.OutputFileName);
    }
    run.OutputNames[t] = options.OutputFileName;
    TInputOptions& in = run.Inputs[t];
    TOutputOptions& out = run.Outputs[t];
    InitInputOptions(in);
    InitOutputOptions(out);
    in.Options = options.InputOptions;
    out.Options = options.OutputOptions;
    out.VideoOutputHook = options.VideoOutputHook;
    out.VideoInputHook = options.VideoInputHook;
    if (item.TextOverlay)
      TextOverlays[t] = TTextOverlay{item.OverlayTextFont, item.OverlayText, item.OverlayTextX, item.OverlayTextY};
    run.Rows.push_back(static_cast<int>(row));
    // The output's length as far as the row knows it; the engine's reports
    // replace it.
    const int64_t length = item.TimeEnd > item.TimeStart ? item.TimeEnd - item.TimeStart : 0;
    if (phase2)
      run.Totals[0] = run.Totals[0] + length;
    else
      run.Totals[t] = length;

    if (phase2) {
      const std::string part = TempFolder + "\\vid" + i + format->FormatExt;
      if (MediaEncoder->TasksCount() > 0) {
        if (MediaEncoder->AddInput(0, part, &in) < 0) {
          ReportError(MediaEncoder->LastErrMsg(), "CLM_FFAddInputFileToMerged");
          JoinConvertedFilesNow = false;
          return;
        }
      } else if (MediaEncoder->AddTask(part, &in) < 0) {
        ReportError(MediaEncoder->LastErrMsg(), "CLM_FFAddTaskToMerged");
        JoinConvertedFilesNow = false;
        return;
      }
      continue;
    }
    const std::string name = DVDMode ? addresses.at(t) : item.Source;
    if (MediaEncoder->AddTask(name, &in) < 0) {
      ReportError(MediaEncoder->LastErrMsg(), "CLM_FFAddTaskToMeged");
      return;
    }
    if (MediaEncoder->SetOutput(k - 1, options.OutputFileName, &out) < 0) {
      ReportError(Translate("Cannot set output file") + ": " + MediaEncoder->LastErrMsg() + "\r\n" +
                      Translate("Please choose other output folder or rename output file."),
                  "CLM_SetOutputFile");
      return;
    }
  }

  // 11. The joined output takes the first row's options and the last row's
  // extension.
  if (phase2) {
    const TFormat* last = MediaFiles.empty() ? nullptr : FormatOfItem(MediaFiles.back());
    if (!last) last = lastFormat;
    run.Outputs[0].Join = true;
    if (MediaEncoder->SetOutput(0, OutputFolder + "\\" + kMergedTitle + (last ? last->FormatExt : ""),
                                &run.Outputs[0]) < 0) {
      ReportError(Translate("Cannot set output file (merged)") + ": " + MediaEncoder->LastErrMsg(),
                  "CLM_SetOutputFileMerge");
      JoinConvertedFilesNow = false;
      return;
    }
  }

  // 12. Threads: at least one, at most one per task.
  int threads = UseAllCPUs ? CpuCount : CustomCPUNumber;
  threads = std::max(1, std::min(threads, checked));

  // 13-16.
  ShowConversionRunning(*this);
  ShowRows();
  AddToHistory("-> " + Translate("Started Conversion."));
  ProgressRefreshDue = false;
  MediaEncoder->Start(phase2 ? 1 : threads);
  ProcessUpdateTimer->SetEnabled(true);
}

void TMainForm::StopBtnClick(TObject*) {
  if (!ConversionActive) return;
  AddToHistory("-> Stop is clicked.");
  StoppedByUser = 1;
  MediaEncoder->Stop(true);
  if (MediaEncoder->Paused()) MediaEncoder->Resume();
  AddToHistory("-> " + Translate("Conversion stopped by user."));
}

void TMainForm::PauseBtnClick(TObject*) {
  AddToHistory("-> Pause is clicked.");
  MediaEncoder->Pause();
  DisableButton(PauseBtn);
  Pause1->Enabled = false;
  StartButton->SetEnabled(true);
  Convert1->Enabled = true;
  ShowRows();
}

void TMainForm::spSkinSpeedButton7Click(TObject* sender) {
  if (MediaEncoder->Paused() || !MediaEncoder->Working() || MediaEncoder->Terminated())
    StartButtonClick(sender);
  else
    PauseBtnClick(sender);
}

void TMainForm::JoinButtonClick(TObject*) {
  if (MediaFiles.empty() || ConversionActive) return;
  AddToHistory("-> Join is clicked.");
  if (JoinAllVideos) {
    if (SkinMessage->MessageDlg(Translate("Unjoin all?"), mtConfirmation, MsgDlgButtons({mbYes, mbNo}), 0) != mrYes)
      return;
    JoinButton->SetCaption(Translate("Join All"));
    spSkinSpeedButton6->SetCaption(Translate("Join All"));
    JoinAllVideos = false;
    for (TMediaFile& f : MediaFiles) f.DestinationTitle = NameWithoutExtension(f.Source);
  } else {
    if (SkinMessage->MessageDlg(Translate(JoinQuestion), mtConfirmation, MsgDlgButtons({mbYes, mbNo}), 0) != mrYes)
      return;
    JoinButton->SetCaption(Translate("Unjoin All"));
    spSkinSpeedButton6->SetCaption(Translate("Unjoin All"));
    JoinAllVideos = true;
    const TMediaFile& last = MediaFiles.back();
    const int profile = last.ProfileInd, format = last.FormatInd;
    for (TMediaFile& f : MediaFiles) {
      f.DestinationTitle = kMergedTitle;
      f.ProfileInd = profile;
      f.FormatInd = format;
    }
  }
  ShowRows();
}

void TMainForm::ProcessUpdateTimerTimer(TObject*) { ProgressRefreshDue = true; }

void TMainForm::ShutdownComputer1Click(TObject*) {
  ShutdownComputer1->SetChecked(!ShutdownComputer1->Checked());
  chShutDownPC->SetChecked(ShutdownComputer1->Checked());
}

void TMainForm::chShutDownPCClick(TObject*) { ShutdownComputer1->SetChecked(chShutDownPC->Checked()); }

void TMainForm::OpenOutputFolder1Click(TObject*) { OpenOutputFolder1->SetChecked(!OpenOutputFolder1->Checked()); }

// ---------------------------------------------------------------- events

void TMainForm::MediaEncoderProgress(TObject*, TProgressInfo* info) {
  // A window that closes stops the run and shows nothing more of it.
  if (CloseDone) return;
  const bool phase1 = JoinAllVideos && !JoinConvertedFilesNow;
  int j = -1;
  for (TMediaFile& item : MediaFiles) {
    if (!item.Checked) continue;
    ++j;
    if ((info->TaskIndex == j || JoinConvertedFilesNow) && item.StatusS != kFailedState) {
      LastProgressDuration = info->CurrentDuration;
      LastProgressTotal = info->TotalDuration;
      TConversionRecords& run = *TaskRecords;
      if (info->TaskIndex >= 0 && static_cast<size_t>(info->TaskIndex) < run.TotalCount)
        run.Totals[static_cast<size_t>(info->TaskIndex)] = info->TotalDuration;
      // An unknown length leaves the row as it was. A row reads 100 only
      // once its file is complete (the task's end event), never from a
      // report of the work still being finished.
      if (info->TotalDuration > 0 && item.StatusS < 100)
        item.StatusS = std::min(99.99f, static_cast<float>(static_cast<double>(info->CurrentDuration * 100) /
                                                           static_cast<double>(info->TotalDuration)));
    }
    if (phase1 && item.StatusS > 99) item.StatusS = 99.0f;
  }
  if (!ProgressRefreshDue) return;
  ProgressRefreshDue = false;
  for (TMediaFile& item : MediaFiles) {
    if (item.StatusS <= 0) continue;
    item.Status = JoinConvertedFilesNow ? Translate("Joining...") : PercentText(item.StatusS);
  }
  ShowRows();
}

void TMainForm::MediaEncoderTerminate(TObject*, const TTerminateInfo& info) {
  if (CloseDone) {
    // The closing window waits for this final event.
    if (info.TaskIndex < 0) ConversionActive = false;
    return;
  }
  TConversionRecords& run = *TaskRecords;
  if (info.TaskIndex < 0 && info.Finished) {
    const bool phase1Ended = JoinAllVideos && !JoinConvertedFilesNow;
    // 1.
    run.Inputs.clear();
    run.Outputs.clear();
    // 2.
    if (!phase1Ended) {
      for (const TMediaFile& item : MediaFiles) {
        if (item.Tag_Album.empty() && item.Tag_Title.empty() && item.Tag_Track.empty() && item.Tag_Artist.empty() &&
            item.Tag_Genre.empty() && item.Tag_Year.empty())
          continue;
        const TFormat* format = FormatOfItem(item);
        if (!format || format->IsAudioFormat != "1" || !TagEditForm || !TagEditForm->TagEditor1) continue;
        // A row of this run: the file its task made, and none when the task
        // did not finish (a file of that name is not this run's).
        std::string fileName = OutputFolder + "\\" + item.DestinationTitle + format->FormatExt;
        bool inRun = false, done = false;
        for (size_t t = 0; t < run.Rows.size() && t < run.OutputNames.size(); ++t)
          if (static_cast<size_t>(run.Rows[t]) == static_cast<size_t>(&item - MediaFiles.data())) {
            inRun = true;
            done = run.Done[t];
            if (!run.OutputNames[t].empty()) fileName = run.OutputNames[t];
          }
        if (inRun && !done) continue;
        TTagEditor* tags = TagEditForm->TagEditor1;
        try {
          tags->SetFileName(fileName);
        } catch (...) {
        }
        try {
          tags->Album = item.Tag_Album;
          tags->Title = item.Tag_Title + " | " + Endpoints().HomePage;
          tags->Track = item.Tag_Track;
          tags->Artist = item.Tag_Artist;
          tags->Genre = item.Tag_Genre;
          tags->Year = item.Tag_Year;
          tags->Save();
        } catch (...) {
        }
      }
      if (ShutdownComputer1->Checked()) {
        SaveWindowSettings();
        RequestShutdown();
      } else {
        if (StoppedByUser != 1) AddToHistory("-> Conversion successfully done.");
        ShowConversionIdle(*this);
      }
    }
    // 3.
    ProcessUpdateTimer->SetEnabled(false);
    // 4.
    if (phase1Ended) {
      if (StoppedByUser == 1) {
        StoppedByUser = 0;
        for (size_t row = 0; row < MediaFiles.size(); ++row) {
          TMediaFile& item = MediaFiles[row];
          if (!item.Checked || item.StatusS == kFailedState) continue;
          item.StatusS = -2;
          item.Status = Translate("Cancelled");
        }
        ShowRows();
        ShowConversionIdle(*this);
        return;
      }
      bool anyFailed = false;
      for (bool f : run.Failed) anyFailed = anyFailed || f;
      if (!anyFailed) {
        JoinConvertedFilesNow = true;
        ConversionActive = false;
        StartButtonClick(this);
        if (ConversionActive) return;
        // The join did not start (its error was shown): no joined file.
        JoinConvertedFilesNow = false;
      }
      // A part is missing or the join did not start: no joined file exists,
      // so no row reads as done; the parts that failed say so.
      for (size_t row = 0; row < MediaFiles.size(); ++row) {
        TMediaFile& item = MediaFiles[row];
        if (!item.Checked) continue;
        const bool failed = (row < run.Failed.size() && run.Failed[row]) || !anyFailed;
        item.StatusS = failed ? kFailedState : -2;
        item.Status = Translate(failed ? "Failed" : "Cancelled");
      }
      StoppedByUser = 0;
      ShowRows();
      ShowConversionIdle(*this);
      return;
    }
    // 5.
    JoinConvertedFilesNow = false;
    for (size_t row = 0; row < MediaFiles.size(); ++row) {
      TMediaFile& item = MediaFiles[row];
      if (!item.Checked) continue;
      const bool failed = row < run.Failed.size() && run.Failed[row];
      if (failed) {
        item.StatusS = kFailedState;
        item.Status = Translate("Failed");
      } else if (StoppedByUser == 0) {
        item.StatusS = 100;
        item.Status = "100%";
      } else if (item.StatusS < 100) {
        item.StatusS = -2;
        item.Status = Translate("Cancelled");
      }
      item.Checked = false;
    }
    // 6.
    AllItemsChecked = false;
    StoppedByUser = 0;
    ShowRows();
    DisableButton(StartButton);
    // 7.
    if (OpenOutputFolder1->Checked() && !ShutdownComputer1->Checked())
      ShellExecuteW(nullptr, W(u"open"), W(UTF8ToUTF16(OutputFolder)), nullptr,
                    nullptr, SW_SHOWNORMAL);
  }

  // A task that finished: its file is complete under its own name, so its
  // row reads 100% now (a part of Join All only once the join is made).
  if (info.TaskIndex >= 0 && info.Finished && !info.Exception &&
      static_cast<size_t>(info.TaskIndex) < run.Rows.size()) {
    const bool joinTask = JoinConvertedFilesNow;
    const bool part = JoinAllVideos && !JoinConvertedFilesNow;
    for (size_t t = 0; t < run.Rows.size(); ++t) {
      if (!joinTask && t != static_cast<size_t>(info.TaskIndex)) continue;
      if (t < run.Done.size()) run.Done[t] = true;
      const size_t row = static_cast<size_t>(run.Rows[t]);
      if (part || row >= MediaFiles.size()) continue;
      MediaFiles[row].StatusS = 100;
      MediaFiles[row].Status = "100%";
    }
    ShowRows();
  }

  if (info.Exception) {
    // The row of the failed task ends as "Failed"; the other tasks go on,
    // so the progress texts keep their pace.
    std::string file;
    if (info.TaskIndex >= 0 && static_cast<size_t>(info.TaskIndex) < run.Rows.size()) {
      const size_t task = static_cast<size_t>(info.TaskIndex);
      const size_t taskRow = static_cast<size_t>(run.Rows[task]);
      if (JoinConvertedFilesNow) file = task < run.OutputNames.size() ? run.OutputNames[task] : "";
      else if (taskRow < MediaFiles.size()) file = MediaFiles[taskRow].Source;
      const bool joinTask = JoinConvertedFilesNow;
      for (size_t t = 0; t < run.Rows.size(); ++t) {
        if (!joinTask && t != static_cast<size_t>(info.TaskIndex)) continue;
        const size_t row = static_cast<size_t>(run.Rows[t]);
        if (row >= MediaFiles.size()) continue;
        if (row < run.Failed.size()) run.Failed[row] = true;
        MediaFiles[row].StatusS = kFailedState;
        MediaFiles[row].Status = Translate("Failed");
      }
      ShowRows();
    }
    const std::string text = FailureText(file, info.ExceptionMsg);
    ReportError(Translate("Conversion terminated with error") + ": " + text, "CLM_Terminate");
    AddToHistory("-> " + text);
  }
}

// ---------------------------------------------------------------- hooks (worker threads)

void TMainForm::MediaEncoderVideoInputHook(TObject*, THookInfo* info) {
  if (!info->Bitmap || info->TaskIndex < 0 || static_cast<size_t>(info->TaskIndex) >= TextOverlays.size()) return;
  const TTextOverlay& overlay = TextOverlays[static_cast<size_t>(info->TaskIndex)];
  if (overlay.Text.empty()) return;
  TCanvas* canvas = info->Bitmap->Canvas();
  if (overlay.Font) canvas->Font()->Assign(overlay.Font);
  canvas->Brush()->SetStyle(bsClear);
  canvas->TextOut(overlay.X, overlay.Y, overlay.Text);
  GdiFlush();
}

void TMainForm::MediaEncoderVideoOutputHook(TObject*, THookInfo* info) {
  if (!info->Bitmap) return;
  // The task's own length; until its first progress report the length is
  // not known and no picture is drawn.
  const TConversionRecords& run = *TaskRecords;
  const int64_t total = info->TaskIndex >= 0 && static_cast<size_t>(info->TaskIndex) < run.TotalCount
                            ? run.Totals[static_cast<size_t>(info->TaskIndex)].load()
                            : LastProgressTotal.load();
  if (total > 0 && info->PTS > PromoWindowLength && total - info->PTS < PromoWindowLength)
    BlendPicture(*info->Bitmap, PromoWatermark, info->Bitmap->Width() - PromoWatermark.Width(),
                 info->Bitmap->Height() - PromoWatermark.Height());
}
