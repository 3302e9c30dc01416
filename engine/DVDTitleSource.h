// DVD titles as inputs. The program names a title by its address,
// "opendvd:<folder>|Title=t,FromChapter=a,ToChapter=b,AudioID=x,SubtitleID=y,
// AudioChannels=c,Deinterlace=d"; the DVD plug-in in the library folder
// reads the title's program stream, which the library's program stream
// reader then takes apart like any file. Every input of the engine and the
// player opens through OpenMediaInput, so such an address works wherever a
// file name does.
#pragma once

#include <string>

struct AVFormatContext;
struct AVInputFormat;
struct AVDictionary;

struct TDvdTitleAddress {
  std::string folder;  // as the program wrote it (a Windows path)
  int title = 0, fromChapter = 0, toChapter = 0;
  int audioID = 0, subtitleID = 0, audioChannels = 0, deinterlace = 0;
};

bool IsDvdTitleAddress(const std::string& name);
// False for text that is no complete address (unknown keys are ignored).
bool ParseDvdTitleAddress(const std::string& name, TDvdTitleAddress& address);

// avformat_open_input for a context the caller allocated: a DVD title
// address is read through the DVD plug-in, any other name goes to the
// library unchanged. On failure the library has freed the context, as
// avformat_open_input does.
int OpenMediaInput(AVFormatContext** ctx, const std::string& name, const AVInputFormat* format,
                   AVDictionary** options);
// avformat_close_input, also freeing what OpenMediaInput set up for it.
void CloseMediaInput(AVFormatContext** ctx);
