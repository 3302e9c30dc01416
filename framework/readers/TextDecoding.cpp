#include "framework/readers/TextDecoding.h"

#include <string>

#include "framework/readers/Errors.h"

namespace {

// Windows-1252 0x80..0x9F; the unused slots map to themselves, as the
// system's own converter does.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUTF8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// Next code point of valid UTF-8 (checked by the caller), or U+FFFD.
uint32_t NextCodePoint(const std::string& s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
  if (extra < 0 || i + extra >= s.size() + (extra ? 0 : 1)) {
    ++i;
    return 0xFFFD;
  }
  uint32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
  for (int k = 1; k <= extra; ++k) {
    unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (d & 0x3F);
  }
  i += 1 + extra;
  return cp;
}

std::string DecodeUTF16(const uint8_t* data, size_t size, bool bigEndian) {
  if (size % 2) throw EReadError("Invalid UTF-16 text: the file ends inside a character");
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < size; i += 2) {
    uint32_t u = bigEndian ? (uint32_t(data[i]) << 8) | data[i + 1] : (uint32_t(data[i + 1]) << 8) | data[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < size) {
      uint32_t v = bigEndian ? (uint32_t(data[i + 2]) << 8) | data[i + 3] : (uint32_t(data[i + 3]) << 8) | data[i + 2];
      if (v >= 0xDC00 && v < 0xE000) {
        AppendUTF8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u < 0xE000) u = 0xFFFD;
    AppendUTF8(out, u);
  }
  return out;
}

}  // namespace

bool IsValidUTF8(const char* s, size_t n) {
  size_t i = 0;
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra;
    uint32_t cp;
    if ((c >> 5) == 6) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c >> 4) == 14) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c >> 3) == 30) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i <= size_t(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    // Over-long forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
        (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF)
      return false;
    i += 1 + extra;
  }
  return true;
}

std::string Cp1252ToUTF8(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    if (c < 0x80)
      out += char(c);
    else if (c < 0xA0)
      AppendUTF8(out, kCp1252High[c - 0x80]);
    else
      AppendUTF8(out, c);
  }
  return out;
}

std::string UTF8ToCp1252(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    uint32_t cp = NextCodePoint(s, i);
    if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) {
      out += char(cp);
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k)
      if (kCp1252High[k] == cp) mapped = char(0x80 + k);
    out += mapped;
  }
  return out;
}

std::string DecodeText(const uint8_t* data, size_t size, TTextEncoding* detected,
                       const TAnsiConverter& fromAnsi) {
  TTextEncoding encoding;
  std::string text;
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
    encoding = TTextEncoding::UTF8;
    std::string raw(reinterpret_cast<const char*>(data) + 3, size - 3);
    // A BOM does not make the rest valid; bad bytes become U+FFFD.
    if (IsValidUTF8(raw.data(), raw.size())) {
      text = std::move(raw);
    } else {
      size_t i = 0;
      while (i < raw.size()) AppendUTF8(text, NextCodePoint(raw, i));
    }
  } else if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    encoding = TTextEncoding::UTF16LE;
    text = DecodeUTF16(data + 2, size - 2, false);
  } else if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
    encoding = TTextEncoding::UTF16BE;
    text = DecodeUTF16(data + 2, size - 2, true);
  } else {
    std::string raw(reinterpret_cast<const char*>(data), size);
    if (IsValidUTF8(raw.data(), raw.size())) {
      encoding = TTextEncoding::UTF8;
      text = std::move(raw);
    } else {
      encoding = TTextEncoding::Ansi;
      text = fromAnsi ? fromAnsi(raw) : Cp1252ToUTF8(raw);
    }
  }
  if (detected) *detected = encoding;
  return text;
}

std::string EncodeText(const std::string& utf8, TTextEncoding encoding, bool bom, const TAnsiConverter& toAnsi) {
  switch (encoding) {
    case TTextEncoding::Ansi:
      return toAnsi ? toAnsi(utf8) : UTF8ToCp1252(utf8);
    case TTextEncoding::UTF8:
      return bom ? "\xEF\xBB\xBF" + utf8 : utf8;
    case TTextEncoding::UTF16LE:
    case TTextEncoding::UTF16BE: {
      bool be = encoding == TTextEncoding::UTF16BE;
      std::string out;
      out.reserve(utf8.size() * 2 + 2);
      auto put = [&](uint32_t u) {
        out += char(be ? u >> 8 : u & 0xFF);
        out += char(be ? u & 0xFF : u >> 8);
      };
      put(0xFEFF);
      size_t i = 0;
      while (i < utf8.size()) {
        uint32_t cp = NextCodePoint(utf8, i);
        if (cp >= 0x10000) {
          put(0xD800 + ((cp - 0x10000) >> 10));
          put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
          put(cp);
        }
      }
      return out;
    }
  }
  return utf8;
}
