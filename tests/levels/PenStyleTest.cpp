#include <gtest/gtest.h>

#include <cstring>

#include "levels/PenStyle.h"

namespace {

TEST(PenStyleTest, ColoursRoundTripAndEmptyOrDamagedPensHaveNone) {
  const levels::Rgb orange{0xFF, 0x80, 0x01};
  const settings::Pen pen = levels::PenFromColour(orange);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pen.data())), "rFFFFFFFF,80808080,01010101");
  EXPECT_EQ(levels::PenColour(pen), orange);
  EXPECT_EQ(levels::PenColour(settings::Pen{}), std::nullopt);
  settings::Pen damaged = pen;
  damaged[5] = 'x';
  EXPECT_EQ(levels::PenColour(damaged), std::nullopt);
  settings::Pen unterminated;
  std::memset(unterminated.data(), 'r', unterminated.size());  // no zero byte at all
  EXPECT_EQ(levels::PenColour(unterminated), std::nullopt);
}

}  // namespace
