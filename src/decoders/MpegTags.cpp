#include "decoders/MpegTags.h"

#include <taglib/apetag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tdebuglistener.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>

#include <climits>
#include <mutex>

#include "decoders/Id3v1.h"
#include "platform/Utf8.h"

namespace decoders {
namespace {

// TagLib's complaints about broken tags would land on the user's terminal.
class SilentListener final : public TagLib::DebugListener {
 public:
  void printMessage(const TagLib::String&) override {}
};

void SilenceTagLib() {
  static SilentListener listener;
  static std::once_flag once;
  std::call_once(once, [] { TagLib::setDebugListener(&listener); });
}

// The texts one tag gives; empty when it does not.
struct TagTexts {
  std::string title, artist, album, comment, genre;
  int32_t year = 0;
};

std::string Utf8(const TagLib::String& text) { return text.to8Bit(true); }

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string GenreNamed(std::string_view digits) {
  if (digits.size() > 3) return {};
  return ID3_GenreName(static_cast<uint32_t>(std::stoi(std::string(digits))));
}

// "17", "(17)" and "(17)Rock" name genre 17 (a text after the number refines it and
// is shown instead); "((text" is the escaped "(text"; anything else is the name.
std::string GenreText(const TagLib::String& field) {
  std::string text = Utf8(field.stripWhiteSpace());
  if (AllDigits(text)) return GenreNamed(text);
  if (text.rfind("((", 0) == 0) return text.substr(1);
  if (!text.empty() && text.front() == '(') {
    const size_t close = text.find(')');
    if (close != std::string::npos && AllDigits(std::string_view(text).substr(1, close - 1))) {
      const std::string refinement = text.substr(close + 1);
      return refinement.empty() ? GenreNamed(std::string_view(text).substr(1, close - 1))
                                : refinement;
    }
  }
  return text;
}

int32_t YearOf(unsigned int year) { return year <= INT32_MAX ? static_cast<int32_t>(year) : 0; }

void ReadCommon(const TagLib::Tag& tag, TagTexts* texts) {
  texts->title = Utf8(tag.title());
  texts->artist = Utf8(tag.artist());
  texts->album = Utf8(tag.album());
  texts->comment = Utf8(tag.comment());
  texts->year = YearOf(tag.year());
}

TagTexts ReadId3v2(TagLib::ID3v2::Tag& tag, ReplayGainTags* gains) {
  TagTexts texts;
  ReadCommon(tag, &texts);
  const TagLib::ID3v2::FrameListMap& frames = tag.frameListMap();
  if (const auto genre = frames.find("TCON"); genre != frames.end()) {
    for (const TagLib::ID3v2::Frame* frame : genre->second) {
      const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame);
      if (!text) continue;
      for (const TagLib::String& field : text->fieldList()) {
        texts.genre = GenreText(field);
        if (!texts.genre.empty()) break;
      }
      if (!texts.genre.empty()) break;
    }
  }
  if (const auto user = frames.find("TXXX"); user != frames.end()) {
    for (const TagLib::ID3v2::Frame* frame : user->second) {
      const auto* text = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(frame);
      if (!text) continue;
      const TagLib::StringList fields = text->fieldList();
      if (fields.size() >= 2) ApplyReplayGainItem(Utf8(fields[0]), Utf8(fields[1]), gains);
    }
  }
  return texts;
}

TagTexts ReadApe(TagLib::APE::Tag& tag, ReplayGainTags* gains) {
  TagTexts texts;
  ReadCommon(tag, &texts);
  texts.genre = GenreText(tag.genre());
  for (const auto& [key, item] : tag.itemListMap()) {
    if (item.type() == TagLib::APE::Item::Text)
      ApplyReplayGainItem(Utf8(key), Utf8(item.toString()), gains);
  }
  return texts;
}

// The first of the texts that is not empty replaces the field.
template <size_t N>
void Overlay(char (&field)[N], const std::string& first, const std::string& second) {
  if (!first.empty())
    platform::CopyField(field, first);
  else if (!second.empty())
    platform::CopyField(field, second);
}

// Gains of the stronger tag win value by value.
void OverlayGain(float* into, float first, float second) {
  if (first == first)
    *into = first;
  else if (second == second)
    *into = second;
}

bool HasText(const TagLib::Tag* tag) { return tag && !tag->isEmpty(); }

std::string Id3v2Lyrics(TagLib::ID3v2::Tag& tag) {
  for (const TagLib::ID3v2::Frame* frame : tag.frameList("USLT")) {
    const auto* lyrics = dynamic_cast<const TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frame);
    if (lyrics && !lyrics->text().isEmpty()) return Utf8(lyrics->text());
  }
  return {};
}

std::string ApeLyrics(TagLib::APE::Tag& tag) {
  const TagLib::APE::ItemListMap& items = tag.itemListMap();
  const auto item = items.find("LYRICS");  // APE keys are kept upper-cased
  if (item == items.end() || item->second.type() != TagLib::APE::Item::Text) return {};
  return Utf8(item->second.toString());
}

}  // namespace

bool HasRicherMpegTags(const std::string& path) {
  SilenceTagLib();
  try {
    TagLib::MPEG::File file(path.c_str(), false);
    return file.isValid() && (HasText(file.ID3v2Tag()) || HasText(file.APETag()));
  } catch (const std::exception&) {
    return false;
  }
}

std::string ReadMpegLyrics(const std::string& path) {
  SilenceTagLib();
  try {
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid()) return {};
    std::string lyrics = file.hasID3v2Tag() ? Id3v2Lyrics(*file.ID3v2Tag()) : std::string();
    if (lyrics.empty() && file.hasAPETag()) lyrics = ApeLyrics(*file.APETag());
    return lyrics;
  } catch (const std::exception&) {
    return {};
  }
}

void ReadMpegTags(const std::string& path, TrackInfo* track) {
  SilenceTagLib();
  TagLib::MPEG::File file(path.c_str(), false);
  if (!file.isValid()) return;
  TagTexts v2, ape;
  ReplayGainTags v2_gains, ape_gains;
  try {
    if (file.hasID3v2Tag()) v2 = ReadId3v2(*file.ID3v2Tag(), &v2_gains);
    if (file.hasAPETag()) ape = ReadApe(*file.APETag(), &ape_gains);
  } catch (const std::exception&) {
    return;  // a tag too broken to read is ignored; the song still plays
  }
  Overlay(track->title, v2.title, ape.title);
  Overlay(track->artist, v2.artist, ape.artist);
  Overlay(track->album, v2.album, ape.album);
  Overlay(track->comment, v2.comment, ape.comment);
  Overlay(track->genre, v2.genre, ape.genre);
  if (v2.year > 0)
    track->year = v2.year;
  else if (ape.year > 0)
    track->year = ape.year;
  ReplayGainTags& gains = track->replay_gain;
  OverlayGain(&gains.track_gain, v2_gains.track_gain, ape_gains.track_gain);
  OverlayGain(&gains.track_peak, v2_gains.track_peak, ape_gains.track_peak);
  OverlayGain(&gains.album_gain, v2_gains.album_gain, ape_gains.album_gain);
  OverlayGain(&gains.album_peak, v2_gains.album_peak, ape_gains.album_peak);
}

}  // namespace decoders
