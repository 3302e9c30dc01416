// One real conversion of a range chosen in the trim window: the encoder run
// with the option text built from the row lasts as long as the range.
#include "support/gtest.h"

#include <windows.h>

#include <sstream>
#include <string>

#include "app/editing/EditHost.h"
#include "app/editing/clip.h"
#include "app/main/AppData.h"
#include "app/main/ProfileFiles.h"
#include "app/main/OptionText.h"
#include "engine/EngineTestSupport.h"
#include "engine/FFEncode.h"
#include "engine/Fixtures.h"
#include "skin/controls/SkinTimeEdit.h"

namespace {

std::string CatalogueBytes(const std::string& name) {
  return fixtures::ReadAll(ToNativePath(ExeFolder() + "varnotel-profiles\\" + name));
}

}  // namespace

TEST(TrimConversion, OutputLastsTheTrimmedRange) {
  ASSERT_TRUE(fixtures::EnsureStandard());
  TCatalogueFiles files;
  files.Categories = CatalogueBytes("profiles0.dat");
  files.Formats = CatalogueBytes("formats0.dat");
  BuildCatalogue(files);
  ASSERT_GT(Profiles.size(), 4u);
  ASSERT_GT(Profiles[4].Formats.size(), 2u);
  TFormat format = Profiles[4].Formats[2];
  format.Width = "320";
  format.Height = "180";

  MediaFiles.clear();
  TMediaFile item;
  item.Source = fixtures::WindowsPath("clip_h264_aac.mp4");
  item.DestinationTitle = "trimmed";
  item.SourceWidth = 640;
  item.SourceHeight = 360;
  item.TimeEnd = item.TrimmedLength = 5000000;
  item.AudioTracks = {"Audio#1", "Disable"};
  MediaFiles.push_back(item);

  // The range typed into the trim window: 2 s to 5 s.
  {
    TClipForm form(nullptr);
    form.ItemIndex = 0;
    form.FDuration = 5000000;
    form.SetClipTrimStart(0);
    form.SetClipTrimEnd(5000000);
    form.TimeStart->SetTime("00:00:02");
    form.spSkinSpeedButton1Click(&form);
    form.TimeEnd->SetTime("00:00:05");
    form.spSkinSpeedButton2Click(&form);
    form.spSkinButton4Click(&form);
  }
  ASSERT_EQ(MediaFiles[0].TrimmedLength, 3000000);
  EXPECT_EQ(FormatMicroseconds(MediaFiles[0].TrimmedLength), "00:00:03");

  TScratchFolder scratch;
  ASSERT_FALSE(scratch.Unix().empty());
  TTaskContext context;
  context.OutputFolder = scratch.Windows();
  context.TempFolder = scratch.Windows();
  const TTaskOptions options = BuildTaskOptions(MediaFiles[0], format, context);

  TFFEncoder encoder;
  ASSERT_TRUE(encoder.LoadAVLib(LibAVFolder())) << encoder.LastErrMsg();
  bool finished = false;
  TTerminateInfo end;
  encoder.OnTerminate = [&](TObject*, const TTerminateInfo& info) {
    if (info.TaskIndex == -1)
      finished = true;
    else
      end = info;
  };
  TInputOptions input;
  InitInputOptions(input);
  input.FileName = options.InputFileName;
  input.Options = options.InputOptions;
  const int task = encoder.AddTask(input.FileName, &input);
  ASSERT_GE(task, 0) << encoder.LastErrMsg();
  TOutputOptions output;
  InitOutputOptions(output);
  output.FileName = options.OutputFileName;
  output.Options = options.OutputOptions;
  output.VideoInputHook = options.VideoInputHook;
  output.VideoOutputHook = options.VideoOutputHook;
  ASSERT_GE(encoder.SetOutput(task, output.FileName, &output), 0) << encoder.LastErrMsg() << "\n" << output.Options;
  encoder.Start(1);
  ASSERT_TRUE(PumpUntil([&] { return finished; }, 120000)) << "the conversion did not end";
  EXPECT_FALSE(end.Exception) << end.ExceptionMsg;

  const std::string outName = ToNativePath(options.OutputFileName);
  const std::string text =
      fixtures::Output("ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 '" + outName + "'");
  const double seconds = std::atof(text.c_str());
  EXPECT_NEAR(seconds, 3.0, 0.1) << text << " " << options.InputOptions << " | " << options.OutputOptions;
  MediaFiles.clear();
}
