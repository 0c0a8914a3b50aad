"""The hand-made seeds of fuzz/make-seeds.sh: kinds of file no tool here writes."""
import math
import struct
import sys

corpus = sys.argv[1]


def write(path, data):
    with open(f"{corpus}/{path}", "wb") as out:
        out.write(data)


def chunk(kind, body):
    return kind.encode() + struct.pack(">I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def form(kind, *chunks):
    body = kind.encode() + b"".join(chunks)
    return b"FORM" + struct.pack(">I", len(body)) + body


def extended(rate):
    """An IEEE 754 80-bit number, as AIFF stores its rate."""
    exponent = int(math.floor(math.log2(rate)))
    return struct.pack(">HQ", 16383 + exponent, int(rate * 2 ** (63 - exponent)))


# 8SVX Fibonacci delta: the two-byte prefix, then two codes a byte, per channel.
def vhdr(one_shot, rate, compression):
    return chunk("VHDR", struct.pack(">IIIHBBI", one_shot, 0, 0, rate, 1, compression, 0x10000))


codes = bytes((i * 37 + 11) % 256 for i in range(3000))
write("8svx/fibonacci-mono.8svx", form("8SVX", vhdr(0, 8000, 1), chunk("BODY", b"\0\0" + codes)))
write("8svx/fibonacci-stereo.8svx",
      form("8SVX", vhdr(2 * 1500, 8000, 1), chunk("CHAN", struct.pack(">I", 6)),
           chunk("BODY", b"\0\x10" + codes[:1500] + b"\0\xf0" + codes[1500:])))
write("8svx/plain-named.8svx",
      form("8SVX", chunk("NAME", b"tune"), chunk("AUTH", b"me"), chunk("ANNO", b"odd"),
           vhdr(4000, 11025, 0), chunk("BODY", bytes(range(256)) * 16)))

# AIFF with an ADP4 chunk (mono 4-bit IMA ADPCM) after the usual 8-byte prefix.
comm = chunk("COMM", struct.pack(">hIh", 1, 12000, 16) + extended(8000))
write("aiff/adp4.aiff", form("AIFF", comm, chunk("ADP4", bytes(8) + codes * 2)))
write("aiff/adp4-first.aiff", form("AIFF", chunk("ADP4", bytes(8) + codes[:64]), comm))
write("aiff/sowt-named.aifc",
      form("AIFC", chunk("FVER", struct.pack(">I", 0xA2805140)),
           chunk("COMM", struct.pack(">hIh", 2, 100, 16) + extended(22050) + b"sowt\x00"),
           chunk("NAME", b"x"), chunk("SSND", bytes(8) + codes[:400])))


# CD drive answers: the first byte is the capability page's length, then the
# MODE SENSE reply, then the READ TOC reply (its last 12 bytes also answer the
# session query).
def page(reads_cdda=True):
    body = bytes([0x2A, 0x14, 0, 0, 0, 0x01 if reads_cdda else 0]) + bytes(16)
    return bytes([3 + len(body), 0, 0, 0]) + body


def toc(starts, leadout, data_tracks=()):
    entries = b""
    for number, start in enumerate(starts, 1):
        entries += bytes([0, 0x14 if number in data_tracks else 0x10, number, 0])
        entries += struct.pack(">I", start)
    entries += bytes([0, 0x10, 0xAA, 0]) + struct.pack(">I", leadout)
    return struct.pack(">H", len(entries) + 2) + bytes([1, len(starts)]) + entries


def drive(name, capabilities, table, tail=b""):
    write(f"toc/{name}", bytes([len(capabilities)]) + capabilities + table + tail)


drive("three-tracks", page(), toc([0, 15000, 30000], 45000))
drive("no-cdda-page", page(False), toc([0, 15000], 30000))
drive("enhanced-cd", page(), toc([0, 15000, 60000], 90000, data_tracks=(3,)),
      bytes([0, 10, 1, 2, 0, 0x14, 3, 0]) + struct.pack(">I", 60000))
drive("one-track", page(), toc([150], 200000))
drive("empty-toc", page(), bytes([0, 2, 1, 0]))
drive("descending", page(), toc([30000, 15000, 0], 100))
drive("ninety-nine", page(), toc([i * 100 for i in range(99)], 99 * 100 + 50))

commands = ["play", "pause", "pause on", "stop", "next", "prev", "volume 40", "volume 300",
            "seek 12.5", "seek -1", "speed 50", "speed 1e309", "select 2", "sel 0", "time_type 3",
            "get_time", "get_state", "get_selected", "get_duration", "get_count", "get_total",
            "get_cdid", "get_cdlength", "get_volume", "get_balance", "get_bass", "get_treble",
            "get_speed", "balance -20", "bass 6", "treble toggle", "clear", "close", "expand on",
            "filter 1", "get_album", "get_artist", "get_comment", "get_filepath", "get_genre",
            "get_name", "get_title", "get_type", "get_year", "iconify", "intro on", "loop off",
            "open", "random", "quit", "unknown x y", "VOLUME=3", "Select INDEX=1"]
write("port/every-command", ("\n".join(commands) + "\n").encode())
write("port/play-and-query",
      b"select 1\nplay\nget_time\nseek 30\nget_title\nnext\nget_filepath\nstop\n")
write("port/quoted", b'select "1"\nvolume "12" extra\nseek ""\n\n\n')
