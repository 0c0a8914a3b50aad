#!/usr/bin/python3
"""Tags an MP3 file for the tests with mutagen.

usage: tagmp3.py FILE PART [-- PART ...]
  id3 VERSION ENCODING KEY=VALUE...  ID3v2 (VERSION 3 or 4; ENCODING latin1, utf16
                                     or utf8); KEY a frame id (TIT2, TPE1, TALB,
                                     TCON, TDRC, COMM, USLT) or TXXX:DESCRIPTION
  ape KEY=VALUE...                   APEv2 items
  v1 TITLE ARTIST ALBUM              an ID3v1 tag appended by hand
Saving ID3v2 removes an ID3v1 tag, so give v1 last.
"""
import sys

from mutagen import apev2, id3

ENCODINGS = {"latin1": id3.Encoding.LATIN1, "utf16": id3.Encoding.UTF16,
             "utf8": id3.Encoding.UTF8}


def pairs(words):
    return [word.split("=", 1) for word in words]


def tag_id3(path, version, encoding, words):
    tags = id3.ID3()
    enc = ENCODINGS[encoding]
    for key, value in pairs(words):
        if key.startswith("TXXX:"):
            tags.add(id3.TXXX(encoding=enc, desc=key[5:], text=[value]))
        elif key == "COMM":
            tags.add(id3.COMM(encoding=enc, lang="eng", desc="", text=[value]))
        elif key == "USLT":
            tags.add(id3.USLT(encoding=enc, lang="eng", desc="", text=value.replace("\\n", "\n")))
        else:
            tags.add(getattr(id3, key)(encoding=enc, text=[value]))
    tags.save(path, v1=0, v2_version=int(version))


def tag_ape(path, words):
    try:
        tags = apev2.APEv2(path)
    except apev2.APENoHeaderError:
        tags = apev2.APEv2()
    for key, value in pairs(words):
        tags[key] = value
    tags.save(path)


def tag_v1(path, title, artist, album):
    def field(text, width):
        return text.encode("latin-1")[:width].ljust(width, b" ")
    block = b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + \
        field("", 4) + field("", 30) + bytes([255])
    with open(path, "ab") as out:
        out.write(block)


def main(argv):
    path = argv[1]
    parts, part = [], []
    for word in argv[2:]:
        if word == "--":
            parts.append(part)
            part = []
        else:
            part.append(word)
    parts.append(part)
    for kind, *rest in parts:
        if kind == "id3":
            tag_id3(path, rest[0], rest[1], rest[2:])
        elif kind == "ape":
            tag_ape(path, rest)
        elif kind == "v1":
            tag_v1(path, *rest)
        else:
            sys.exit("unknown part " + kind)


if __name__ == "__main__":
    main(sys.argv)
