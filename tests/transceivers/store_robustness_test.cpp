// Randomised checks with fixed seeds: records decoded from arbitrary bytes, and
// the store operations on files of arbitrary content and length, followed
// against a model of the file kept in memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "trans_record.h"
#include "transceiver_store.h"

namespace kelvane {
namespace {

using testing::Bytes;
using Random = std::mt19937_64;

int Pick(Random& random, int from, int to) {
  return std::uniform_int_distribution<int>(from, to)(random);
}

// Random bytes, often with zeros where the texts may end.
Bytes RandomRecordBytes(Random& random) {
  Bytes bytes(kRecordSize);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
  if (Pick(random, 0, 2) != 0) bytes[static_cast<std::size_t>(Pick(random, 0, 14))] = 0;
  if (Pick(random, 0, 2) != 0) bytes[15 + static_cast<std::size_t>(Pick(random, 0, 199))] = 0;
  return bytes;
}

std::size_t TextLength(const unsigned char* field, std::size_t size) {
  const auto* end = std::find(field, field + size, 0);
  return static_cast<std::size_t>(end - field);
}

TEST(RecordRandom, AnyBytesDecodeAndTerminatedTextsComeBackByteForByte) {
  Random random(440);
  for (int i = 0; i < 3000; ++i) {
    const Bytes bytes = RandomRecordBytes(random);
    const trans record = DecodeRecord(bytes.data());
    const std::size_t nameLength = TextLength(bytes.data(), kNameFieldSize);
    const std::size_t descriptionLength = TextLength(bytes.data() + 15, kDescriptionFieldSize);
    EXPECT_EQ(StoredName(bytes.data()).size(), nameLength);
    for (std::size_t row = 0; row < kRowCount; ++row) {
      std::int32_t max = 0;
      const unsigned char* at = bytes.data() + 216 + 32 * row + 20;
      max = static_cast<std::int32_t>(static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
                                      static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24);
      EXPECT_EQ(record.rows[row].max, max);
    }

    trans texts;
    texts.name = record.name;
    texts.description = record.description;
    const StoreResult<RecordBytes> encoded = EncodeRecord(texts);
    const bool controlInName =
        std::any_of(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(nameLength),
                    [](unsigned char c) { return c < 0x20 || c == 0x7F; });
    if (nameLength == kNameFieldSize || descriptionLength == kDescriptionFieldSize ||
        controlInName) {
      // A field without its zero holds one character too many to be written
      // back, and no record may have a control character in its name.
      EXPECT_FALSE(encoded.ok());
      continue;
    }
    ASSERT_TRUE(encoded.ok()) << encoded.error().message;
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(nameLength + 1),
                           encoded.value().begin()));
    EXPECT_TRUE(std::equal(bytes.begin() + 15, bytes.begin() + 15 + static_cast<std::ptrdiff_t>(descriptionLength + 1),
                           encoded.value().begin() + 15));
  }
}

// The file as the store must leave it: whole records and a trailing fragment.
struct FileModel {
  std::vector<Bytes> records;
  Bytes fragment;

  Bytes Contents() const {
    Bytes all;
    for (const Bytes& r : records) all.insert(all.end(), r.begin(), r.end());
    all.insert(all.end(), fragment.begin(), fragment.end());
    return all;
  }
};

trans StorableRecord(Random& random) {
  trans record;
  const int length = Pick(random, 0, 14);
  for (int i = 0; i < length; ++i) record.name.push_back(static_cast<char>(Pick(random, 'A', 'D')));
  record.description = std::string("d").append(std::to_string(Pick(random, 0, 999))).append("\r\nline");
  for (DelayRow& row : record.rows) row.max = static_cast<std::int32_t>(random());
  SetDelayRowLabels(record);
  return record;
}

TEST(StoreRandom, OperationsOnAnyFileFollowTheModel) {
  Random random(20261209);
  for (int file = 0; file < 12; ++file) {
    testing::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const TransceiverStore store(folder.path());

    FileModel model;
    const int lengths[] = {0, 1, 439, 440, 441, 879, 880, 1320, 1500, 2199};
    const int length = Pick(random, 0, 1) ? lengths[Pick(random, 0, 9)] : Pick(random, 0, 2500);
    Bytes start;
    for (int i = 0; i < length; ++i) {
      // Short names from a small alphabet, so that look-ups find something.
      start.push_back(static_cast<unsigned char>(Pick(random, 0, 3) == 0 ? 0 : Pick(random, 'A', 'D')));
    }
    for (std::size_t at = 0; at + kRecordSize <= start.size(); at += kRecordSize) {
      model.records.emplace_back(start.begin() + static_cast<std::ptrdiff_t>(at),
                                 start.begin() + static_cast<std::ptrdiff_t>(at + kRecordSize));
    }
    model.fragment.assign(start.begin() + static_cast<std::ptrdiff_t>(model.records.size() * kRecordSize), start.end());
    testing::WriteBytes(folder.DataFile(), start);

    for (int step = 0; step < 25; ++step) {
      const auto count = static_cast<std::int64_t>(model.records.size());
      const std::int64_t indices[] = {-1, 0, count - 1, count, count + 1, INT64_MAX, INT64_MIN,
                                      Pick(random, 0, 7)};
      const std::int64_t index = indices[Pick(random, 0, 7)];
      const bool valid = index >= 0 && index < count;
      const int operation = Pick(random, 0, 7);
      SCOPED_TRACE("file " + std::to_string(file) + ", step " + std::to_string(step) + ", operation " +
                   std::to_string(operation) + ", index " + std::to_string(index));
      switch (operation) {
        case 0: {
          const auto counted = store.CountRecords();
          ASSERT_TRUE(counted.ok());
          EXPECT_EQ(counted.value(), count);
          break;
        }
        case 1: {
          const auto names = store.ListRecordNames();
          ASSERT_TRUE(names.ok());
          EXPECT_EQ(names.value().size(), model.records.size());
          break;
        }
        case 2: {
          trans buffer;
          const auto read = store.ReadRecordAt(index, buffer);
          ASSERT_TRUE(read.ok());
          EXPECT_EQ(read.value(), valid);
          if (valid) {
            EXPECT_EQ(buffer, DecodeRecord(model.records[static_cast<std::size_t>(index)].data()));
          }
          break;
        }
        case 3: {
          std::string name;
          for (int i = Pick(random, 0, 3); i > 0; --i) name.push_back(static_cast<char>(Pick(random, 'A', 'D')));
          trans buffer;
          const auto found = store.FindRecordByName(name, buffer);
          ASSERT_TRUE(found.ok());
          const auto first = std::find_if(model.records.begin(), model.records.end(), [&](const Bytes& r) {
            return StoredName(r.data()) == name;
          });
          EXPECT_EQ(found.value(), first != model.records.end());
          if (found.value()) {
            EXPECT_EQ(buffer, DecodeRecord(first->data()));
          }
          break;
        }
        case 4: {
          const trans record = StorableRecord(random);
          const auto appended = store.AppendRecord(record);
          ASSERT_TRUE(appended.ok()) << appended.error().message;
          EXPECT_EQ(appended.value(), count + 1);
          const RecordBytes bytes = EncodeRecord(record).value();
          model.records.emplace_back(bytes.begin(), bytes.end());
          break;
        }
        case 5: {
          const trans record = StorableRecord(random);
          const auto written = store.WriteRecordAt(index, record);
          EXPECT_EQ(written.ok(), valid);
          if (valid) {
            const RecordBytes bytes = EncodeRecord(record).value();
            model.records[static_cast<std::size_t>(index)].assign(bytes.begin(), bytes.end());
          } else {
            EXPECT_FALSE(written.error().message.empty());
          }
          break;
        }
        case 6: {
          const auto deleted = store.DeleteRecordAt(index);
          EXPECT_EQ(deleted.ok(), valid);
          if (valid) model.records.erase(model.records.begin() + static_cast<std::ptrdiff_t>(index));
          break;
        }
        default: {
          const bool empty = model.records.empty() && model.fragment.empty();
          const auto seeded = store.SeedDefaultRecords();
          ASSERT_TRUE(seeded.ok());
          EXPECT_EQ(seeded.value(), empty);
          if (empty) {
            for (const trans& record : DefaultRecords()) {
              const RecordBytes bytes = EncodeRecord(record).value();
              model.records.emplace_back(bytes.begin(), bytes.end());
            }
          }
          break;
        }
      }
      ASSERT_EQ(testing::ReadBytes(folder.DataFile()), model.Contents());
    }
    // Only the data file is left behind.
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"DataTran.Dat"});
  }
}

}  // namespace
}  // namespace kelvane
