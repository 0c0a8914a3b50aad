#include <gtest/gtest.h>

#include <array>

#include "settings/SettingsDocument.h"
#include "settings/SettingsRecords.h"
#include "support/TestSupport.h"

using settings::SettingsDocument;
using testsupport::ReadTextFile;
using testsupport::TempDir;
using testsupport::WriteTextFile;

namespace {

SettingsDocument ReadText(const std::string& text) {
  TempDir dir;
  WriteTextFile(dir.File("t.cfg"), text);
  SettingsDocument document;
  EXPECT_TRUE(document.Read(dir.File("t.cfg")));
  return document;
}

std::string Value(const SettingsDocument& document, const char* section, const char* key) {
  const std::string* value = document.Find(section, key);
  return value ? *value : "<absent>";
}

}  // namespace

TEST(SettingsDocument, HandWrittenFileFollowsTheGrammar) {
  const SettingsDocument doc = ReadText(
      "early=1\n"
      "; a comment\n"
      "   ;indented comment\n"
      "\n"
      "[Audio]\n"
      "VOLUME = 100\n"
      "BALANCE 5\n"
      "TREBLE\n"
      "=orphan\n"
      "MODE_NAME=\n"
      "FILE_PATTERN=   \n"
      "mode_id=  0x1F ; not a comment  \n"
      "[ AUDIO ]\n"
      "BASS=3\n"
      "[KARAOKE\n"
      "LINES=2\n"
      "[audio] trailing words\n"
      "Volume=120\n"
      "FILTER=ON\r\n"
      "EXPAND=\r\n");
  ASSERT_EQ(doc.sections().size(), 4u);
  EXPECT_EQ(doc.sections()[0].name, "");
  EXPECT_EQ(Value(doc, "", "EARLY"), "1");
  EXPECT_EQ(doc.sections()[1].name, "Audio");  // first spelling kept
  // Repeated key replaces in place; the later section header adds to the same section.
  ASSERT_EQ(doc.sections()[1].entries.size(), 3u);
  EXPECT_EQ(doc.sections()[1].entries[0].key, "VOLUME");
  EXPECT_EQ(Value(doc, "AUDIO", "volume"), "120");
  EXPECT_EQ(Value(doc, "AUDIO", "BALANCE"), "<absent>");
  EXPECT_EQ(Value(doc, "AUDIO", "TREBLE"), "<absent>");
  EXPECT_EQ(Value(doc, "AUDIO", "MODE_NAME"), "<absent>");
  EXPECT_EQ(Value(doc, "AUDIO", "FILE_PATTERN"), "<absent>");
  EXPECT_EQ(Value(doc, "AUDIO", "MODE_ID"), "0x1F ; not a comment  ");
  EXPECT_EQ(Value(doc, "AUDIO", "FILTER"), "ON\r");
  EXPECT_EQ(Value(doc, "AUDIO", "EXPAND"), "<absent>");
  EXPECT_EQ(Value(doc, "AUDIO", "BASS"), "<absent>");
  EXPECT_EQ(Value(doc, " AUDIO ", "BASS"), "3");
  EXPECT_EQ(Value(doc, "karaoke", "LINES"), "2");

  uint16_t flag = 7;
  EXPECT_TRUE(doc.GetFlag("AUDIO", "FILTER", flag));
  EXPECT_EQ(flag, 0);  // "ON\r" is no longer ON and parses as a number
  flag = 7;
  EXPECT_FALSE(doc.GetFlag("AUDIO", "EXPAND", flag));
  EXPECT_EQ(flag, 7);
  uint32_t hex = 0;
  EXPECT_TRUE(doc.GetHex("AUDIO", "MODE_ID", hex));
  EXPECT_EQ(hex, 31u);
}

TEST(SettingsDocument, LongLinesAreReadWhole) {
  // Past the first 255 characters the tail looks like an entry of its own.
  const std::string filler(300, 'x');
  const std::string long_value = filler + "VOLUME=200";
  const SettingsDocument doc = ReadText("[MAIN]\nFILE_DRAWER=" + long_value + "\n[AUDIO]\nNOTE " +
                                        filler + "\nBASS=1\n" + "; " + filler + "\nTREBLE=2\n");
  EXPECT_EQ(Value(doc, "MAIN", "FILE_DRAWER"), long_value);
  EXPECT_EQ(Value(doc, "MAIN", "VOLUME"), "<absent>");
  EXPECT_EQ(Value(doc, "AUDIO", "BASS"), "1");
  EXPECT_EQ(Value(doc, "AUDIO", "TREBLE"), "2");
  ASSERT_EQ(doc.sections().size(), 2u);
  EXPECT_EQ(doc.sections()[1].entries.size(), 2u);
}

TEST(SettingsDocument, NumbersFlagsAndBlocksParse) {
  SettingsDocument doc;
  const auto number = [&doc](const char* text) {
    doc.SetString("S", "K", text);
    int32_t value = 0;
    doc.GetNumber("S", "K", value);
    return value;
  };
  EXPECT_EQ(number("010"), 8);
  EXPECT_EQ(number("0x1F"), 31);
  EXPECT_EQ(number("0X1f"), 31);
  EXPECT_EQ(number("  -42abc"), -42);
  EXPECT_EQ(number("+7"), 7);
  EXPECT_EQ(number("09"), 0);
  EXPECT_EQ(number("0x"), 0);
  EXPECT_EQ(number("none"), 0);
  EXPECT_EQ(number("99999999999999999999999"), 2147483647);
  EXPECT_EQ(number("-3000000000"), -2147483647 - 1);
  EXPECT_EQ(number("0xFFFFFFFF"), 2147483647);  // signed settings clamp

  uint16_t u16 = 0;
  doc.SetString("S", "K", "65537");
  doc.GetNumber("S", "K", u16);
  EXPECT_EQ(u16, 1);
  int8_t i8 = 0;
  doc.SetString("S", "K", "-1");
  doc.GetNumber("S", "K", i8);
  EXPECT_EQ(i8, -1);

  uint16_t flag = 9;
  for (const char* on : {"ON", "on", "On", "1", "0x2"}) {
    doc.SetString("S", "F", on);
    doc.GetFlag("S", "F", flag);
    EXPECT_NE(flag, 0) << on;
  }
  for (const char* off : {"OFF", "off", "0", "yes"}) {
    doc.SetString("S", "F", off);
    doc.GetFlag("S", "F", flag);
    EXPECT_EQ(flag, 0) << off;
  }

  settings::Pen pen{};
  pen.fill(0x55);
  doc.SetString("S", "P", "ABc");
  EXPECT_TRUE(doc.GetBlock("S", "P", pen));
  EXPECT_EQ(pen[0], 0xAB);
  EXPECT_EQ(pen[1], 0x55);  // odd digit dropped, rest untouched
  doc.SetString("S", "P", std::string(60, '0') + "FFzz");
  pen.fill(0x55);
  doc.GetBlock("S", "P", pen);
  EXPECT_EQ(pen[30], 0xFF);
  EXPECT_EQ(pen[31], 0x00);  // non-hex characters count as 0
  doc.SetString("S", "P", std::string(70, 'E'));
  std::array<uint8_t, 4> small{};
  doc.GetBlock("S", "P", small);
  EXPECT_EQ(small, (std::array<uint8_t, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(SettingsDocument, HexValuesKeepTheirWholeUnsignedRange) {
  SettingsDocument doc;
  for (const uint32_t id : {0u, 0x3D0001u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    doc.SetHex("AUDIO", "MODE_ID", id);
    uint32_t back = 1;
    ASSERT_TRUE(doc.GetHex("AUDIO", "MODE_ID", back));
    EXPECT_EQ(back, id);
  }
  doc.SetHex("AUDIO", "MODE_ID", 0);
  EXPECT_EQ(Value(doc, "AUDIO", "MODE_ID"), "0x0");
  doc.SetHex("AUDIO", "MODE_ID", 0xABCDEF12u);
  EXPECT_EQ(Value(doc, "AUDIO", "MODE_ID"), "0xABCDEF12");
  uint32_t back = 0;
  doc.SetString("AUDIO", "MODE_ID", "-1");
  doc.GetHex("AUDIO", "MODE_ID", back);
  EXPECT_EQ(back, 0xFFFFFFFFu);
  doc.SetString("AUDIO", "MODE_ID", "0x123456789");
  doc.GetHex("AUDIO", "MODE_ID", back);
  EXPECT_EQ(back, 0xFFFFFFFFu);
}

TEST(SettingsDocument, WritesSectionsAndEntriesInInsertionOrder) {
  SettingsDocument doc;
  doc.SetNumber("AUDIO", "VOLUME", 64);
  doc.SetFlag("AUDIO", "FILTER", 5);
  doc.SetString("Main", "FILE_PATTERN", "");
  doc.SetNumber("audio", "volume", -3);  // replaces in place, keeps the first spelling
  const std::array<uint8_t, 3> bytes{0x00, 0xA5, 0x0F};
  doc.SetBlock("MAIN", "PEN", bytes);
  EXPECT_EQ(doc.ToText(), "[AUDIO]\nVOLUME=-3\nFILTER=ON\n\n[Main]\nFILE_PATTERN=\nPEN=00A50F\n");

  TempDir dir;
  const std::string path = dir.File("out.cfg");
  ASSERT_TRUE(doc.Write(path));
  EXPECT_EQ(ReadTextFile(path), doc.ToText());
  SettingsDocument again;
  ASSERT_TRUE(again.Read(path));
  EXPECT_EQ(again.ToText(), "[AUDIO]\nVOLUME=-3\nFILTER=ON\n\n[Main]\nPEN=00A50F\n");
  EXPECT_FALSE(again.Read(dir.File("missing.cfg")));
  EXPECT_EQ(SettingsDocument().ToText(), "");
}
