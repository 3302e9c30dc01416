#!/usr/bin/env python3
"""Writes the data files the program reads beside itself from the readable
sources in this folder:

  languages/transl.dat              every text of the program in every language
  languages/resource<N>.dat         the skin library's resource strings
  varnotel-profiles/profiles<N>.dat the format categories
  varnotel-profiles/formats<N>.dat  the formats (scrambled)
  varnotel-profiles/Icons/*.png     one icon per category and format

usage: appdata.py <source folder> <output folder>

Both languages come from one description of each format, so they cannot
drift apart; the rules the program relies on are checked here and a broken
source stops the build.
"""
import os
import re
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

LANGUAGES = 2  # English, Spanish
CRLF = "\r\n"
BOM = "\ufeff"

CODEC_LABELS = {
    "libx264": "H.264", "libx265": "H.265", "mpeg4": "MPEG-4", "libxvid": "Xvid",
    "mpeg1video": "MPEG-1", "mpeg2video": "MPEG-2", "msmpeg4v2": "MS MPEG-4 v2",
    "wmv1": "WMV7", "wmv2": "WMV8", "flv": "Sorenson H.263", "h263": "H.263",
    "libvpx": "VP8", "libvpx-vp9": "VP9", "libtheora": "Theora", "dvvideo": "DV",
    "gif": "GIF", "aac": "AAC", "libmp3lame": "MP3", "ac3": "AC3", "libvorbis": "Vorbis",
    "libopus": "Opus", "flac": "FLAC", "alac": "ALAC", "mp2": "MP2", "wmav2": "WMA",
    "wavpack": "WavPack", "pcm_s16le": "PCM 16 bit", "pcm_s16be": "PCM 16 bit (big endian)",
}
# Encoders that Debian's FFmpeg 5.1 builds; anything else would fail to open.
AVAILABLE = set(CODEC_LABELS)

DEFAULTS = {
    "sizes": "320*240,480*360,640*480,720*480,1280*720,1920*1080",
    "fpss": "15000,24000,25000,30000",
    "vbitrates": "500000,1000000,2000000,4000000,8000000",
    "rates": "22050,44100,48000",
    "chs": "1,2",
    "abitrates": "96000,128000,192000",
}

# Attribute order of a format row: name comes before format_name and the
# codec names, because a reader takes the first occurrence of name=".
ROW_ATTRIBUTES = [
    "id", "name", "description", "icon", "icon_large", "format_ext", "format_name",
    "audio_format", "video_codec_name", "width", "height", "keep_ori_frame_rate",
    "frame_rate", "video_bitrate", "audio_codec_name", "sample_rate", "channel",
    "audio_bitrate", "extra_param", "video_codecs", "resolutions", "frame_rates",
    "video_bitrates", "audio_codecs", "sample_rates", "channels", "audio_bitrates",
]

DIGITS = re.compile(r"^[0-9]+$")
CODEC = re.compile(r"^[A-Za-z0-9_-]+$")


class DataError(Exception):
    pass


def check(condition, where, message):
    if not condition:
        raise DataError(f"{where}: {message}")


def with_current(values, current):
    items = [v for v in values.split(",") if v]
    if current and current not in items:
        items.append(current)
    return items


def kbps(value):
    return f"{int(value) / 1000:g} kbps"


def choice_list(kind, values):
    if kind == "codecs":
        return ",".join(f"{v}${CODEC_LABELS[v]}" for v in values)
    if kind == "sizes":
        return ",".join(f"{v}${v}" for v in values)
    if kind == "fpss":
        return ",".join(f"{v}${int(v) / 1000:g} fps" for v in values)
    if kind in ("vbitrates", "abitrates"):
        return ",".join(f"{v}${kbps(v)}" for v in values)
    if kind == "rates":
        return ",".join(f"{v}${v} Hz" for v in values)
    if kind == "chs":
        names = {"1": "Mono", "2": "Stereo"}
        return ",".join(f"{v}${names.get(v, v)}" for v in values)
    raise AssertionError(kind)


def format_row(category_id, f, language, where):
    """The row's attributes as (name, value) pairs in file order."""
    suffix = "_es" if language == 1 else ""
    audio = f.get("audio", "0")
    check(audio in ("0", "1"), where, "audio must be 0 or 1")
    is_video = audio == "0"
    name = f.get("name" + suffix) or f.get("name")
    description = f.get("description" + suffix) or f.get("description")
    vcodec = f.get("vcodec", "") if is_video else ""
    width, height = ("", "")
    if is_video:
        size = f.get("size", "")
        check(re.match(r"^\d+\*\d+$", size), where, "size must be W*H")
        width, height = size.split("*")
        w, h = int(width), int(height)
        check(w % 2 == 0 and h % 2 == 0 and 64 <= w <= 1920 and 64 <= h <= 1280, where,
              "sizes must be even, 64..1920 x 64..1280")
        check("divx" not in name.lower() or (vcodec == "mpeg4" and f.get("ext") == ".avi"), where,
              "DivX titles are for MPEG-4 AVI only")
    else:
        check("divx" not in name.lower(), where, "DivX in an audio title")
    values = {
        "id": category_id, "name": name, "description": description,
        "icon": f.get("icon"), "icon_large": f.get("icon"), "format_ext": f.get("ext"),
        "format_name": "", "audio_format": audio, "video_codec_name": vcodec,
        "width": width, "height": height, "keep_ori_frame_rate": "0",
        "frame_rate": f.get("fps", "") if is_video else "",
        "video_bitrate": f.get("vbitrate", "") if is_video else "",
        "audio_codec_name": f.get("acodec", ""), "sample_rate": f.get("rate", ""),
        "channel": f.get("ch", ""), "audio_bitrate": f.get("abitrate", ""),
        "extra_param": f.get("extra", ""),
    }
    for key in ("audio_codec_name", "sample_rate", "channel", "audio_bitrate"):
        check(values[key], where, f"{key} must not be empty")
    numeric = ["sample_rate", "channel", "audio_bitrate"]
    if is_video:
        for key in ("video_codec_name", "width", "height", "frame_rate", "video_bitrate"):
            check(values[key], where, f"{key} must not be empty")
        numeric += ["width", "height", "frame_rate", "video_bitrate"]
    for key in numeric:
        check(DIGITS.match(values[key]), where, f"{key} must be a plain number")
    for key in ("video_codec_name", "audio_codec_name"):
        check(not values[key] or CODEC.match(values[key]), where, f"{key} is not a codec name")
        check(not values[key] or values[key] in AVAILABLE, where, f"{values[key]} is not available")
    check(re.match(r"^\.[a-z0-9]+$", values["format_ext"] or ""), where, "bad extension")

    lists = {}
    if is_video:
        lists["video_codecs"] = choice_list("codecs", with_current(f.get("vcodecs", ""), vcodec))
        lists["resolutions"] = choice_list("sizes", with_current(f.get("sizes", DEFAULTS["sizes"]),
                                                                f"{width}*{height}"))
        lists["frame_rates"] = choice_list("fpss", with_current(f.get("fpss", DEFAULTS["fpss"]),
                                                               values["frame_rate"]))
        lists["video_bitrates"] = choice_list("vbitrates", with_current(
            f.get("vbitrates", DEFAULTS["vbitrates"]), values["video_bitrate"]))
    else:
        for key in ("video_codecs", "resolutions", "frame_rates", "video_bitrates"):
            lists[key] = ""
    lists["audio_codecs"] = choice_list("codecs", with_current(f.get("acodecs", ""),
                                                                values["audio_codec_name"]))
    lists["sample_rates"] = choice_list("rates", with_current(f.get("rates", DEFAULTS["rates"]),
                                                               values["sample_rate"]))
    lists["channels"] = choice_list("chs", with_current(f.get("chs", DEFAULTS["chs"]),
                                                         values["channel"]))
    lists["audio_bitrates"] = choice_list("abitrates", with_current(
        f.get("abitrates", DEFAULTS["abitrates"]), values["audio_bitrate"]))
    values.update(lists)
    for key, value in values.items():
        check(value is not None, where, f"{key} missing")
        check('"' not in value and "\n" not in value and "\r" not in value, where,
              f'{key} holds a quote or line break')
    for key in ("name", "description"):
        check("," not in values[key] or key == "description", where, f"{key} holds a comma")
        check("$" not in values[key], where, f"{key} holds a dollar sign")
    return [(key, values[key]) for key in ROW_ATTRIBUTES]


def row_text(pairs):
    return "<ROW" + "".join(f' {k}="{v}"' for k, v in pairs) + "/>"


def scramble(data):
    return bytes(255 - b for b in data)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def text_bytes(lines, bom=True):
    return ((BOM if bom else "") + CRLF.join(lines) + CRLF).encode("utf-8")


def catalogue_files(source, out):
    root = ET.parse(os.path.join(source, "profiles", "catalogue.xml")).getroot()
    icons = {"menucustom", "_default"}
    ids = set()
    for language in range(LANGUAGES):
        suffix = "_es" if language == 1 else ""
        lines = ['<?xml version="1.0" encoding="utf-8"?>',
                 f'<profile height="{root.get("height")}" itemheight="{root.get("itemheight")}">',
                 "<categories>"]
        rows = []
        for category in root.findall("category"):
            cid, title, icon = category.get("id"), category.get("title" + suffix), category.get("icon")
            check(DIGITS.match(cid) and '"' not in title, f"category {cid}", "bad id or title")
            if language == 0:
                check(cid not in ids, f"category {cid}", "duplicate id")
                ids.add(cid)
            icons.add(icon)
            lines.append(f'<category id="{cid}" title="{title}" icon="{icon}"/>')
            for n, f in enumerate(category.findall("format")):
                pairs = format_row(cid, f, language, f"category {cid} format {n}")
                icons.add(f.get("icon"))
                rows.append(row_text(pairs))
        lines += ["</categories>", "</profile>"]
        write(os.path.join(out, "varnotel-profiles", f"profiles{language}.dat"), text_bytes(lines))
        formats = ['<?xml version="1.0" standalone="yes"?>', '<DATAPACKET Version="2.0">', "<ROWDATA>"]
        formats += rows + ["</ROWDATA>", "</DATAPACKET>"]
        write(os.path.join(out, "varnotel-profiles", f"formats{language}.dat"),
              scramble(text_bytes(formats)))
    for icon in sorted(icons):
        write(os.path.join(out, "varnotel-profiles", "Icons", icon + ".png"), icon_png(icon))


def read_table(path, columns):
    rows = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            cells = line.split("\t")
            check(len(cells) == columns and all(cells), f"{path}:{number}",
                  f"needs {columns} non-empty tab-separated cells")
            rows.append(cells)
    return rows


def language_files(source, out):
    rows = read_table(os.path.join(source, "languages", "translations.tsv"), 1 + 1)
    lines = [str(LANGUAGES)]
    for row in rows:
        lines += row
    write(os.path.join(out, "languages", "transl.dat"), text_bytes(lines))
    resources = read_table(os.path.join(source, "languages", "resources.tsv"), 3)
    for language in range(LANGUAGES):
        lines = [f"{name}={values[language]}" for name, *values in resources]
        write(os.path.join(out, "languages", f"resource{language}.dat"), text_bytes(lines))


def icon_png(name):
    """A 32x32 rounded tile in a colour of its own with a light band."""
    hue = zlib.crc32(name.encode()) & 0xFFFFFF
    base = ((hue >> 16) & 0xFF) // 2 + 60, ((hue >> 8) & 0xFF) // 2 + 60, (hue & 0xFF) // 2 + 60
    rows = []
    for y in range(32):
        row = bytearray([0])
        for x in range(32):
            dx, dy = min(x, 31 - x), min(y, 31 - y)
            corner = dx < 4 and dy < 4 and (4 - dx) ** 2 + (4 - dy) ** 2 > 17
            if corner:
                row += bytes(4)
            elif 12 <= y <= 19 and 6 <= x <= 25:
                row += bytes((240, 240, 240, 255))
            else:
                row += bytes((*base, 255))
        rows.append(bytes(row))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", 32, 32, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, out = sys.argv[1], sys.argv[2]
    try:
        catalogue_files(source, out)
        language_files(source, out)
    except (DataError, ET.ParseError, OSError) as e:
        sys.exit(f"appdata.py: {e}")


if __name__ == "__main__":
    main()
