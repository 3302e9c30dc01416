// Values of the program's equalisers that the program changes while a task
// runs (the Edit dialog's sliders): read before each picture enters the
// graph and handed to the library's filters as commands.
#include "engine/AVFilterStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFText.h"
#include "engine/FFmpegRun.h"

void TTranscodeRun::PollLiveFilters(TOutputStream& ost) {
  if (FLiveFilters.empty() || !ost.graph) return;
  const size_t row = RowOf(ost);
  if (row >= FLiveFilters.size()) return;
  std::vector<TFilterMessage> messages;
  for (TLiveFilter& f : FLiveFilters[row]) {
    for (const TFilterCommand& c : PollLiveFilter(f, messages)) {
      const int r = ff::avfilter_graph_send_command(ost.graph, c.Target.c_str(), c.Command.c_str(),
                                                    c.Argument.c_str(), nullptr, 0, 0);
      if (r < 0) T.LogMsg(llWarning, FormatAVError("Failed to change " + c.Target, r));
    }
  }
  for (const TFilterMessage& m : messages) ff::av_log(ost.graph, m.Level, "%s", m.Text.c_str());
}
