#include "DVDTitles.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace dvd {

namespace {

dvd_reader_t* AsReader(void* p) { return static_cast<dvd_reader_t*>(p); }
ifo_handle_t* AsIfo(void* p) { return static_cast<ifo_handle_t*>(p); }

struct TIfoClose {
  void operator()(ifo_handle_t* h) const { ifoClose(h); }
};
using TTitleSet = std::unique_ptr<ifo_handle_t, TIfoClose>;

// The title's entry in the disc's title table, and the tables of its title
// set opened; none for a title the disc does not have or a set it cannot
// read.
TTitleSet OpenTitleSet(void* reader, void* manager, int title, const title_info_t*& entry) {
  const tt_srpt_t* table = AsIfo(manager)->tt_srpt;
  if (title < 1 || title > table->nr_of_srpts) return nullptr;
  entry = &table->title[title - 1];
  return TTitleSet(ifoOpen(AsReader(reader), entry->title_set_nr));
}

int FromBCD(uint8_t v) { return (v >> 4) * 10 + (v & 0x0F); }

// Playback times are BCD with the frame rate in the top bits of the frame
// byte: 1 for 25 frames per second, 3 for 30 (29.97).
double Seconds(const dvd_time_t& t) {
  double s = FromBCD(t.hour) * 3600.0 + FromBCD(t.minute) * 60.0 + FromBCD(t.second);
  const int rate = (t.frame_u >> 6) == 1 ? 25 : ((t.frame_u >> 6) == 3 ? 30 : 0);
  if (rate) s += FromBCD(t.frame_u & 0x3F) / (rate == 30 ? 29.97 : 25.0);
  return s;
}

std::string LanguageCode(uint16_t code) {
  if (!code || code == 0xFFFF) return "";
  std::string s;
  s += static_cast<char>(code >> 8);
  s += static_cast<char>(code & 0xFF);
  for (char c : s)
    if (!std::isalpha(static_cast<unsigned char>(c))) return "";
  return s;
}

std::string LanguageName(const std::string& code) {
  static const struct {
    const char* code;
    const char* name;
  } names[] = {{"en", "English"},  {"es", "Spanish"}, {"fr", "French"},   {"de", "German"},   {"it", "Italian"},
               {"pt", "Portuguese"}, {"nl", "Dutch"}, {"ru", "Russian"},  {"ja", "Japanese"}, {"zh", "Chinese"},
               {"ko", "Korean"},   {"sv", "Swedish"}, {"da", "Danish"},   {"fi", "Finnish"},  {"no", "Norwegian"},
               {"pl", "Polish"},   {"cs", "Czech"},   {"hu", "Hungarian"}, {"el", "Greek"},   {"tr", "Turkish"},
               {"he", "Hebrew"},   {"ar", "Arabic"}};
  std::string lower = code;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& n : names)
    if (lower == n.code) return n.name;
  return lower.empty() ? "Unknown" : lower;
}

// Stream numbers of the program stream: AC-3 at 0x80, DTS at 0x88, LPCM at
// 0xA0 (all inside private stream 1), MPEG audio at 0xC0.
void AudioTypeAndBase(int format, int& type, int& base) {
  switch (format) {
    case 0: type = 4; base = 0x80; break;               // AC-3
    case 2: case 3: type = 3; base = 0xC0; break;       // MPEG-1/2 audio
    case 4: type = 6; base = 0xA0; break;               // LPCM
    case 6: type = 5; base = 0x88; break;               // DTS
    default: type = 0; base = 0x80; break;
  }
}

const pgc_t* TitlePGC(ifo_handle_t* vts, int vtsTitle, int chapter, int* programOut) {
  if (!vts || !vts->vts_ptt_srpt || vtsTitle < 1 || vtsTitle > vts->vts_ptt_srpt->nr_of_srpts) return nullptr;
  const ttu_t& ttu = vts->vts_ptt_srpt->title[vtsTitle - 1];
  if (chapter < 1 || chapter > ttu.nr_of_ptts) return nullptr;
  const int pgcn = ttu.ptt[chapter - 1].pgcn, pgn = ttu.ptt[chapter - 1].pgn;
  if (!vts->vts_pgcit || pgcn < 1 || pgcn > vts->vts_pgcit->nr_of_pgci_srp) return nullptr;
  const pgc_t* pgc = vts->vts_pgcit->pgci_srp[pgcn - 1].pgc;
  if (!pgc || pgn < 1 || pgn > pgc->nr_of_programs || !pgc->program_map || !pgc->cell_playback) return nullptr;
  if (programOut) *programOut = pgn;
  return pgc;
}

// Cells (1-based, inclusive) of one program of a chain.
void ProgramCells(const pgc_t* pgc, int program, int& first, int& last) {
  first = pgc->program_map[program - 1];
  last = program < pgc->nr_of_programs ? pgc->program_map[program] - 1 : pgc->nr_of_cells;
  first = std::max(1, first);
  last = std::min<int>(last, pgc->nr_of_cells);
}

// Of an angle block only the first angle plays.
bool PlayedCell(const cell_playback_t& c) { return !(c.block_type == 1 && c.block_mode != 1); }

// The reading library's messages (a missing decryption library, device
// names it cannot find) are no concern of a program reading plain discs.
void QuietLog(void*, dvd_logger_level_t, const char*, va_list) {}
const dvd_logger_cb quietLogger = {QuietLog};

}  // namespace

std::string UnixPath(const std::string& path) {
  if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) return path;
  const char* prefix = std::getenv("WINEPREFIX");
  std::string root = prefix && *prefix ? prefix : std::string(std::getenv("HOME") ? std::getenv("HOME") : "") + "/.wine";
  std::string drive(1, static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))));
  std::string rest = path.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  while (!rest.empty() && rest.back() == '/' && rest.size() > 1) rest.pop_back();
  if (rest == "/") rest.clear();
  return root + "/dosdevices/" + drive + ":" + rest;
}

std::unique_ptr<TDisc> TDisc::Open(const std::string& path) {
  const std::string unix = UnixPath(path);
  dvd_reader_t* reader = DVDOpen2(nullptr, &quietLogger, unix.c_str());
  if (!reader) return nullptr;
  ifo_handle_t* vmg = ifoOpen(reader, 0);
  if (!vmg || !vmg->tt_srpt) {
    if (vmg) ifoClose(vmg);
    DVDClose(reader);
    return nullptr;
  }
  std::unique_ptr<TDisc> disc(new TDisc);
  disc->FReader = reader;
  disc->FManager = vmg;
  return disc;
}

TDisc::~TDisc() {
  if (FManager) ifoClose(AsIfo(FManager));
  if (FReader) DVDClose(AsReader(FReader));
}

int TDisc::TitleCount() const { return AsIfo(FManager)->tt_srpt->nr_of_srpts; }

bool TDisc::Title(int title, TTitleFacts& facts) const {
  facts = TTitleFacts();
  const title_info_t* entry = nullptr;
  const TTitleSet set = OpenTitleSet(FReader, FManager, title, entry);
  if (!set) return false;
  const title_info_t& info = *entry;
  ifo_handle_t* vts = set.get();
  if (!vts->vtsi_mat) return false;

  const video_attr_t& v = vts->vtsi_mat->vts_video_attr;
  facts.videoType = v.mpeg_version == 0 ? 1 : 2;
  facts.norm = v.video_format == 0 ? 1 : (v.video_format == 1 ? 0 : 2);
  facts.aspect = v.display_aspect_ratio == 0 ? 0 : (v.display_aspect_ratio == 3 ? 1 : 2);
  facts.height = v.video_format == 1 ? 576 : 480;
  static const int widths[] = {720, 704, 352, 352};
  facts.width = widths[v.picture_size & 3];
  if (v.picture_size == 3) facts.height /= 2;

  int program = 0;
  const pgc_t* pgc = TitlePGC(vts, info.vts_ttn, 1, &program);
  if (!pgc) return true;  // listed, but nothing plays

  for (int i = 0; i < vts->vtsi_mat->nr_of_vts_audio_streams && i < 8; ++i) {
    if (!(pgc->audio_control[i] & 0x8000)) continue;
    const audio_attr_t& a = vts->vtsi_mat->vts_audio_attr[i];
    TTitleFacts::TAudio audio;
    int base = 0x80;
    AudioTypeAndBase(a.audio_format, audio.type, base);
    audio.id = base + ((pgc->audio_control[i] >> 8) & 7);
    audio.sampleRate = a.sample_frequency == 1 ? 96000 : 48000;
    audio.channels = a.channels + 1;
    audio.code = LanguageCode(a.lang_code);
    audio.language = LanguageName(audio.code);
    facts.audio.push_back(audio);
  }
  for (int i = 0; i < vts->vtsi_mat->nr_of_vts_subp_streams && i < 32; ++i) {
    if (!(pgc->subp_control[i] & 0x80000000u)) continue;
    const subp_attr_t& s = vts->vtsi_mat->vts_subp_attr[i];
    TTitleFacts::TSubtitle sub;
    sub.type = 7;
    sub.id = 0x20 + ((pgc->subp_control[i] >> 24) & 0x1F);
    sub.code = LanguageCode(s.lang_code);
    sub.language = LanguageName(sub.code);
    facts.subtitles.push_back(sub);
  }

  const int chapters = vts->vts_ptt_srpt->title[info.vts_ttn - 1].nr_of_ptts;
  for (int c = 1; c <= chapters; ++c) {
    int pgn = 0;
    const pgc_t* cp = TitlePGC(vts, info.vts_ttn, c, &pgn);
    double seconds = 0;
    if (cp) {
      int first = 0, last = 0;
      ProgramCells(cp, pgn, first, last);
      for (int cell = first; cell <= last; ++cell)
        if (PlayedCell(cp->cell_playback[cell - 1])) seconds += Seconds(cp->cell_playback[cell - 1].playback_time);
    }
    facts.chapters.push_back(seconds);
    facts.length += seconds;
  }
  if (facts.length <= 0) facts.length = Seconds(pgc->playback_time);
  facts.valid = facts.length > 0 && pgc->nr_of_cells > 0;
  return true;
}

bool TDisc::Runs(int title, int fromChapter, int toChapter, int& titleSet, std::vector<TRun>& runs) const {
  runs.clear();
  const title_info_t* entry = nullptr;
  const TTitleSet set = OpenTitleSet(FReader, FManager, title, entry);
  if (!set) return false;
  const title_info_t& info = *entry;
  ifo_handle_t* vts = set.get();
  if (!vts->vts_ptt_srpt || info.vts_ttn < 1 || info.vts_ttn > vts->vts_ptt_srpt->nr_of_srpts) return false;
  const int chapters = vts->vts_ptt_srpt->title[info.vts_ttn - 1].nr_of_ptts;
  if (chapters < 1) return false;
  fromChapter = std::min(std::max(1, fromChapter), chapters);
  toChapter = toChapter < 1 ? chapters : std::min(std::max(fromChapter, toChapter), chapters);
  titleSet = info.title_set_nr;
  for (int c = fromChapter; c <= toChapter; ++c) {
    int pgn = 0;
    const pgc_t* pgc = TitlePGC(vts, info.vts_ttn, c, &pgn);
    if (!pgc) continue;
    int first = 0, last = 0;
    ProgramCells(pgc, pgn, first, last);
    for (int cell = first; cell <= last; ++cell) {
      const cell_playback_t& cp = pgc->cell_playback[cell - 1];
      if (!PlayedCell(cp) || cp.last_sector < cp.first_sector) continue;
      if (!runs.empty() && runs.back().last + 1 == cp.first_sector)
        runs.back().last = cp.last_sector;
      else
        runs.push_back({cp.first_sector, cp.last_sector});
    }
  }
  return !runs.empty();
}

void KeepChosenStreams(uint8_t* p, int size, int audioID, int subtitleID) {
  // Pack header: 00 00 01 BA, then 10 bytes (MPEG-2) with a stuffing count
  // in the low bits of the last one, or 8 bytes (MPEG-1).
  if (size < 14 || p[0] || p[1] || p[2] != 1 || p[3] != 0xBA) return;
  int pos = (p[4] & 0xC0) == 0x40 ? 14 + (p[13] & 7) : 12;
  while (pos + 6 <= size) {
    if (p[pos] || p[pos + 1] || p[pos + 2] != 1) return;
    const int id = p[pos + 3];
    if (id == 0xB9 || id == 0xBA) return;  // end code or a second pack
    const int length = p[pos + 4] << 8 | p[pos + 5];
    const int end = pos + 6 + length;
    if (end > size) return;
    bool drop = false;
    if (id >= 0xC0 && id <= 0xDF) {
      drop = id != audioID;
    } else if (id == 0xBD && length >= 4) {
      // Private stream 1: the sub-stream number follows the PES header.
      const int headerLength = (p[pos + 6] & 0xC0) == 0x80 ? 3 + p[pos + 8] : 0;
      const int at = pos + 6 + headerLength;
      if (headerLength && at < end) {
        const int sub = p[at];
        if (sub >= 0x20 && sub <= 0x3F)
          drop = sub != subtitleID;
        else if (sub >= 0x80 && sub <= 0xAF)
          drop = sub != audioID;
      }
    }
    if (drop) {
      p[pos + 3] = 0xBE;  // padding stream: same length, contents ignored
      std::memset(p + pos + 6, 0xFF, static_cast<size_t>(length));
    }
    pos = end;
  }
}

std::unique_ptr<TTitleStream> TTitleStream::Open(const std::string& path, int title, int fromChapter,
                                                 int toChapter, int audioID, int subtitleID, std::string* error) {
  auto fail = [&](const std::string& text) -> std::unique_ptr<TTitleStream> {
    if (error) *error = text;
    return nullptr;
  };
  std::unique_ptr<TDisc> disc = TDisc::Open(path);
  if (!disc) return fail("no DVD in \"" + path + "\"");
  int titleSet = 0;
  std::unique_ptr<TTitleStream> s(new TTitleStream);
  if (!disc->Runs(title, fromChapter, toChapter, titleSet, s->FRuns))
    return fail("the DVD has no title " + std::to_string(title));
  s->FFile = DVDOpenFile(AsReader(disc->Reader()), titleSet, DVD_READ_TITLE_VOBS);
  if (!s->FFile) return fail("cannot open title set " + std::to_string(titleSet));
  s->FDisc = std::move(disc);
  for (const TDisc::TRun& r : s->FRuns) s->FSize += int64_t{r.last - r.first + 1} * SectorSize;
  s->FAudioID = audioID;
  s->FSubtitleID = subtitleID;
  return s;
}

TTitleStream::~TTitleStream() {
  if (FFile) DVDCloseFile(static_cast<dvd_file_t*>(FFile));
}

bool TTitleStream::LoadSector(uint64_t index) {
  if (static_cast<int64_t>(index) == FLoaded) return true;
  uint64_t skip = index;
  for (const TDisc::TRun& r : FRuns) {
    const uint64_t n = r.last - r.first + 1;
    if (skip < n) {
      if (DVDReadBlocks(static_cast<dvd_file_t*>(FFile), static_cast<int>(r.first + skip), 1, FSector) != 1)
        return false;
      KeepChosenStreams(FSector, SectorSize, FAudioID, FSubtitleID);
      FLoaded = static_cast<int64_t>(index);
      return true;
    }
    skip -= n;
  }
  return false;
}

int TTitleStream::Read(uint8_t* buf, int size) {
  int done = 0;
  while (done < size && FPos < FSize) {
    if (!LoadSector(static_cast<uint64_t>(FPos / SectorSize))) return done ? done : -1;
    const int offset = static_cast<int>(FPos % SectorSize);
    const int n = std::min(size - done, SectorSize - offset);
    std::memcpy(buf + done, FSector + offset, static_cast<size_t>(n));
    done += n;
    FPos += n;
  }
  return done;
}

int64_t TTitleStream::Seek(int64_t position) {
  if (position < 0 || position > FSize) return -1;
  FPos = position;
  return FPos;
}

}  // namespace dvd
