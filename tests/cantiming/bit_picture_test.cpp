#include "bit_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

namespace kelvane::cantiming {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(BitPicture, EqualSamplePointsShareAColumnAndSegmentsKeepTheirShare) {
  const std::vector<BitRow> rows{
      {"n16", 5, 8, 2, 1, "87.5 %"},    // 14 of 16 quanta before the sample point
      {"n40", 20, 14, 5, 3, "87.5 %"},  // 35 of 40
      {"n16b", 5, 6, 4, 1, "75 %"}};    // 12 of 16
  const std::vector<std::string> lines = Lines(TextPicture(rows));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].find('|'), lines[2].find('|'));
  EXPECT_EQ(lines[1].find('|'), 6u + 56);
  EXPECT_EQ(lines[3].find('|'), 6u + 48);
  // 64 columns for 16 quanta: four each; sjw 1 puts one quantum either side in lower case.
  const std::string bit = lines[1].substr(6, 65);
  for (auto [letter, count] : {std::pair{'S', 4}, {'P', 20}, {'A', 28}, {'a', 4}, {'b', 4}, {'B', 4}})
    EXPECT_EQ(std::count(bit.begin(), bit.end(), letter), count) << letter;
  EXPECT_EQ(lines[1].substr(6 + 65), "  87.5 %");
  EXPECT_EQ(lines[0].find('\x1b'), std::string::npos);
  const std::string coloured = TextPicture(rows, {64, true});
  EXPECT_NE(coloured.find("\x1b[0;1;31m|\x1b[0;30;103mbbbb\x1b[0;30;43mBBBB\x1b[0m  87.5 %\n"),
            std::string::npos);
}

TEST(BitPicture, LongBitsKeepEverySegmentVisible) {
  // 385 quanta in 64 columns: a one-quantum prop-seg still gets its column.
  const std::vector<BitRow> rows{{"m", 1, 255, 128, 128, ""}, {"z", 0, 13, 2, 0, ""}};
  const std::vector<std::string> lines = Lines(TextPicture(rows));
  EXPECT_EQ(lines[1].size(), 3u + 65);
  EXPECT_NE(lines[1].find("SPA"), std::string::npos);
  EXPECT_EQ(lines[2].find_first_of("Pp"), std::string::npos);  // no prop-seg, no letter
  EXPECT_EQ(lines[2].find_first_of("ab"), std::string::npos);   // sjw 0: nothing in lower case
}

TEST(BitPicture, SvgEscapesTextAndScalesRectangles) {
  const std::vector<BitRow> rows{{"<a&b>", 5, 8, 2, 1, "\"q\""}, {"c", 0, 13, 2, 2, ""}};
  const std::string svg = SvgPicture(rows, "bus & bits");
  EXPECT_NE(svg.find("&lt;a&amp;b&gt;"), std::string::npos);
  EXPECT_NE(svg.find("&quot;q&quot;"), std::string::npos);
  EXPECT_EQ(svg.find("<a&b>"), std::string::npos);
  EXPECT_NE(svg.find("<title>bus &amp; bits</title>"), std::string::npos);
  // 640 px per bit: 5 of 16 quanta are 200 px.
  EXPECT_NE(svg.find("data-tq=\"5\" x=\"96\" y=\"34\" width=\"200\""), std::string::npos);
  std::size_t rowsFound = 0;
  for (std::size_t at = 0; (at = svg.find("<g class=\"row\"", at)) != std::string::npos; ++at) ++rowsFound;
  EXPECT_EQ(rowsFound, 2u);
}

}  // namespace
}  // namespace kelvane::cantiming
