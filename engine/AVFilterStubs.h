// Entry points of libavfilter, reached through ff::<name> once the library is bound.
#pragma once

#include "engine/Binding.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#define TESS_AVFILTER_FUNCTIONS(X) \
  X(av_buffersink_get_frame) \
  X(av_buffersink_get_frame_flags) \
  X(av_buffersink_get_samples) \
  X(av_buffersink_get_time_base) \
  X(av_buffersink_get_format) \
  X(av_buffersink_get_w) \
  X(av_buffersink_get_h) \
  X(av_buffersink_get_sample_aspect_ratio) \
  X(av_buffersink_get_frame_rate) \
  X(av_buffersink_get_sample_rate) \
  X(av_buffersink_get_ch_layout) \
  X(av_buffersrc_add_frame_flags) \
  X(av_buffersrc_close) \
  X(av_buffersrc_get_nb_failed_requests) \
  X(av_filter_iterate) \
  X(avfilter_get_by_name) \
  X(avfilter_get_class) \
  X(avfilter_graph_alloc) \
  X(avfilter_graph_config) \
  X(avfilter_graph_create_filter) \
  X(avfilter_graph_free) \
  X(avfilter_graph_parse_ptr) \
  X(avfilter_graph_request_oldest) \
  X(avfilter_graph_send_command) \
  X(avfilter_inout_alloc) \
  X(avfilter_inout_free) \
  X(avfilter_link) \
  X(avfilter_pad_get_name) \
  X(avfilter_pad_get_type)

namespace ff {
TESS_AVFILTER_FUNCTIONS(TESS_FF_DECLARE)
}  // namespace ff

void BindAVFilter(const std::string& libName, TModuleHandle handle);
void UnbindAVFilter();
