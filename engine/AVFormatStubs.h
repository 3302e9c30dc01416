// Entry points of libavformat, reached through ff::<name> once the library is bound.
#pragma once

#include "engine/Binding.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
}

#define TESS_AVFORMAT_FUNCTIONS(X) \
  X(av_codec_get_id) \
  X(av_codec_get_tag) \
  X(av_codec_get_tag2) \
  X(av_demuxer_iterate) \
  X(av_muxer_iterate) \
  X(av_dump_format) \
  X(av_filename_number_test) \
  X(av_find_best_stream) \
  X(av_find_input_format) \
  X(av_get_packet) \
  X(av_guess_codec) \
  X(av_guess_format) \
  X(av_guess_frame_rate) \
  X(av_guess_sample_aspect_ratio) \
  X(av_interleaved_write_frame) \
  X(av_write_frame) \
  X(av_pkt_dump_log2) \
  X(av_read_frame) \
  X(av_read_pause) \
  X(av_read_play) \
  X(av_sdp_create) \
  X(av_seek_frame) \
  X(av_write_trailer) \
  X(avformat_alloc_context) \
  X(avformat_alloc_output_context2) \
  X(avformat_close_input) \
  X(avformat_find_stream_info) \
  X(avformat_free_context) \
  X(avformat_get_class) \
  X(avformat_network_deinit) \
  X(avformat_network_init) \
  X(avformat_index_get_entries_count) \
  X(avformat_index_get_entry) \
  X(avformat_new_stream) \
  X(av_new_program) \
  X(av_program_add_stream_index) \
  X(avformat_open_input) \
  X(avformat_query_codec) \
  X(avformat_seek_file) \
  X(avformat_write_header) \
  X(avio_alloc_context) \
  X(avio_check) \
  X(avio_context_free) \
  X(avio_close) \
  X(avio_closep) \
  X(avio_flush) \
  X(avio_open) \
  X(avio_open2) \
  X(avio_read) \
  X(avio_seek) \
  X(avio_size) \
  X(avio_write) \
  X(avio_feof) \
  X(avio_skip)

namespace ff {
TESS_AVFORMAT_FUNCTIONS(TESS_FF_DECLARE)
}  // namespace ff

void BindAVFormat(const std::string& libName, TModuleHandle handle);
void UnbindAVFormat();
