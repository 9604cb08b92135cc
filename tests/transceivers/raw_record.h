#pragma once
// A record as another program may have written it, for the store tests.

#include <cstring>
#include <string>

#include "temp_folder.h"
#include "trans_record.h"

namespace kelvane::testing {

// Every byte set, even those that carry no meaning, so that a move byte for
// byte can be told apart.
inline Bytes RawRecord(const std::string& name, unsigned char fill) {
  Bytes b(kRecordSize, fill);
  std::memcpy(b.data(), name.c_str(), name.size() + 1);
  b[20] = 0;  // ends the description
  return b;
}

}  // namespace kelvane::testing
