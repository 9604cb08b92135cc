#include "trans_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kelvane {
namespace {

std::int32_t Int32At(const RecordBytes& b, std::size_t at) {
  return static_cast<std::int32_t>(std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 |
                                   std::uint32_t{b[at + 2]} << 16 | std::uint32_t{b[at + 3]} << 24);
}

std::string TextAt(const RecordBytes& b, std::size_t at) {
  return std::string(reinterpret_cast<const char*>(b.data() + at));
}

trans SampleRecord() {
  trans r;
  r.name = "TJA1050";
  r.description = "High speed\r\nsecond line";
  SetDelayRowLabels(r);
  for (std::size_t row = 0; row < kRowCount; ++row) {
    const auto base = static_cast<std::int32_t>(100 * row);
    r.rows[row].min = base + 1;
    r.rows[row].nom = base + 2;
    r.rows[row].max = base + 3;
    r.rows[row].r8c = base + 4;
    r.rows[row].ambc = base + 5;
  }
  return r;
}

TEST(TransRecordLayout, FieldsLieAtTheirOffsets) {
  const StoreResult<RecordBytes> encoded = EncodeRecord(SampleRecord());
  ASSERT_TRUE(encoded.ok()) << encoded.error().message;
  const RecordBytes& b = encoded.value();
  EXPECT_EQ(TextAt(b, 0), "TJA1050");
  EXPECT_EQ(TextAt(b, 15), "High speed\r\nsecond line");
  EXPECT_EQ(b[215], 0);
  EXPECT_EQ(TextAt(b, 216), "");
  EXPECT_EQ(TextAt(b, 248), "tOnTXD");
  EXPECT_EQ(TextAt(b, 280), "tOffTXD");
  EXPECT_EQ(TextAt(b, 312), "tOnRXD");
  EXPECT_EQ(TextAt(b, 344), "tOffRXD");
  for (std::size_t row = 0; row < 7; ++row) {
    const std::size_t at = 216 + 32 * row;
    const auto base = static_cast<std::int32_t>(100 * row);
    EXPECT_EQ(Int32At(b, at + 12), base + 1) << "row " << row;
    EXPECT_EQ(Int32At(b, at + 16), base + 2) << "row " << row;
    EXPECT_EQ(Int32At(b, at + 20), base + 3) << "row " << row;
    EXPECT_EQ(Int32At(b, at + 24), base + 4) << "row " << row;
    EXPECT_EQ(Int32At(b, at + 28), base + 5) << "row " << row;
    EXPECT_EQ(b[at + 10], 0);
    EXPECT_EQ(b[at + 11], 0);
  }
  EXPECT_EQ(DecodeRecord(b), SampleRecord());
}

TEST(TransRecordLayout, IntegersAreLittleEndianOnEveryMachine) {
  trans r;
  r.rows[kRowOnTxd].max = 0x01020304;
  r.rows[kRowOffRxd].min = -2;
  const RecordBytes b = EncodeRecord(r).value();
  EXPECT_EQ(b[248 + 20], 0x04);
  EXPECT_EQ(b[248 + 21], 0x03);
  EXPECT_EQ(b[248 + 22], 0x02);
  EXPECT_EQ(b[248 + 23], 0x01);
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(b[344 + 12 + k], 0xFF - (k == 0 ? 1 : 0));

  // Bytes as another machine wrote them, whatever this one's byte order.
  RecordBytes foreign{};
  std::memcpy(foreign.data(), "NAME", 4);
  const unsigned char value[4] = {0x78, 0x56, 0x34, 0x12};
  std::memcpy(foreign.data() + 312 + 16, value, 4);
  const unsigned char minimum[4] = {0x00, 0x00, 0x00, 0x80};
  std::memcpy(foreign.data() + 280 + 12, minimum, 4);
  const trans decoded = DecodeRecord(foreign);
  EXPECT_EQ(decoded.name, "NAME");
  EXPECT_EQ(decoded.rows[kRowOnRxd].nom, 0x12345678);
  EXPECT_EQ(decoded.rows[kRowOffTxd].min, INT32_MIN);
}

TEST(TransRecordTexts, LongestTextsFitAndOneMoreIsRefused) {
  trans r;
  r.name = std::string(14, 'N');
  r.description = std::string(199, 'D');
  r.rows[0].label = std::string(9, 'L');
  const StoreResult<RecordBytes> fits = EncodeRecord(r);
  ASSERT_TRUE(fits.ok()) << fits.error().message;
  EXPECT_EQ(DecodeRecord(fits.value()), r);

  trans longName = r;
  longName.name += 'N';
  const StoreResult<RecordBytes> a = EncodeRecord(longName);
  ASSERT_FALSE(a.ok());
  EXPECT_EQ(a.error().code, StoreErrc::BadText);
  EXPECT_EQ(a.error().message, "The name is longer than 14 characters.");

  trans longDescription = r;
  longDescription.description += 'D';
  const StoreResult<RecordBytes> b = EncodeRecord(longDescription);
  ASSERT_FALSE(b.ok());
  EXPECT_EQ(b.error().message, "The description is longer than 199 characters.");

  trans longLabel = r;
  longLabel.rows[6].label = std::string(10, 'L');
  EXPECT_FALSE(EncodeRecord(longLabel).ok());
}

TEST(TransRecordTexts, LengthsCountCharactersNotUtf8Bytes) {
  trans r;
  r.name = "\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u20AC\u00E9\u00E8\u00EA\u00E0\u00E7\u00F1";
  const StoreResult<RecordBytes> encoded = EncodeRecord(r);
  ASSERT_TRUE(encoded.ok()) << encoded.error().message;
  EXPECT_EQ(TextAt(encoded.value(), 0), "\xC4\xD6\xDC\xE4\xF6\xFC\xDF\x80\xE9\xE8\xEA\xE0\xE7\xF1");
  EXPECT_EQ(DecodeRecord(encoded.value()).name, r.name);
}

TEST(TransRecordTexts, TextsWithoutAnEightBitFormOrWithAZeroAreRefused) {
  trans r;
  r.description = "Delay \u0394t";  // Greek delta
  const StoreResult<RecordBytes> greek = EncodeRecord(r);
  ASSERT_FALSE(greek.ok());
  EXPECT_EQ(greek.error().code, StoreErrc::BadText);
  EXPECT_EQ(greek.error().message,
            "The description holds a character that cannot be stored (only Western European "
            "letters and signs can).");

  trans zero;
  zero.name = std::string("AB\0CD", 5);
  const StoreResult<RecordBytes> cut = EncodeRecord(zero);
  ASSERT_FALSE(cut.ok());
  EXPECT_EQ(cut.error().message, "The name holds a zero character, which cannot be stored.");

  trans broken;
  broken.name = "\xC3";
  EXPECT_FALSE(EncodeRecord(broken).ok());
}

TEST(TransRecordTexts, FieldsWithoutAZeroByteAreReadUpToTheirEndOnly) {
  RecordBytes b{};
  std::memset(b.data(), 'N', 15);          // name fills its field
  std::memset(b.data() + 15, 'D', 200);    // description fills its field
  b[215] = 'P';                            // padding
  std::memset(b.data() + 248, 'L', 10);    // label fills its field
  b[258] = 'X';                            // row padding
  const trans r = DecodeRecord(b);
  EXPECT_EQ(r.name, std::string(15, 'N'));
  EXPECT_EQ(r.description, std::string(200, 'D'));
  EXPECT_EQ(r.rows[kRowOnTxd].label, std::string(10, 'L'));
  EXPECT_EQ(StoredName(b.data()), std::string(15, 'N'));
}

TEST(TransRecordDefaults, TheTwoDefaultRecords) {
  const std::array<trans, 2> d = DefaultRecords();
  EXPECT_EQ(d[0].name, "PCA82C251");
  EXPECT_EQ(d[1].name, "PCA82C251-47");
  EXPECT_EQ(d[0].description,
            "Interface between the CAN protocol controller and the physical bus.  It is "
            "primarily intented for applications in Trucks and buses");
  EXPECT_EQ(d[1].description,
            "Interface between the CAN protocol controller and the physical bus.  It is "
            "primarily intented for applications in Trucks and buses. Condition R8 = 47Ohm");
  EXPECT_EQ(d[0].description.size(), 130u);
  EXPECT_EQ(d[1].description.size(), 152u);
  struct Expected {
    std::size_t row;
    std::int32_t min, nom, max;
  };
  const Expected first[] = {{1, 0, 0, 50}, {2, 0, 40, 80}, {3, 0, 55, 120}, {4, 0, 90, 190}};
  const Expected second[] = {{1, 0, 0, 50}, {2, 0, 40, 80}, {3, 0, 290, 400}, {4, 0, 440, 550}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(d[0].rows[first[k].row].min, first[k].min);
    EXPECT_EQ(d[0].rows[first[k].row].nom, first[k].nom);
    EXPECT_EQ(d[0].rows[first[k].row].max, first[k].max);
    EXPECT_EQ(d[1].rows[second[k].row].min, second[k].min);
    EXPECT_EQ(d[1].rows[second[k].row].nom, second[k].nom);
    EXPECT_EQ(d[1].rows[second[k].row].max, second[k].max);
  }
}

}  // namespace
}  // namespace kelvane
