// Damaged copies of a valid compiled catalogue, as a cut download, a bad
// disk or a hostile file would leave them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/Bytes.h"

namespace catalogue_test {

using Bytes = ::Bytes;

inline uint32_t WordAt(const Bytes& mo, size_t offset) {
  return uint32_t{mo[offset]} | uint32_t{mo[offset + 1]} << 8 | uint32_t{mo[offset + 2]} << 16 |
         uint32_t{mo[offset + 3]} << 24;
}

inline void SetWord(Bytes& mo, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) mo[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

struct Variant {
  std::string name;
  Bytes bytes;
};

// Each variant of a little-endian catalogue that the runtime must not read.
inline std::vector<Variant> DamagedVariants(const Bytes& mo) {
  const uint32_t count = WordAt(mo, 8);
  const uint32_t originals = WordAt(mo, 12);
  const uint32_t translations = WordAt(mo, 16);
  const uint32_t hashSize = WordAt(mo, 20);
  const uint32_t hashOffset = WordAt(mo, 24);
  const uint32_t size = static_cast<uint32_t>(mo.size());
  std::vector<Variant> variants;
  variants.push_back({"truncated", Bytes(mo.begin(), mo.begin() + 100)});
  variants.push_back({"empty", Bytes()});
  Bytes v = mo;
  SetWord(v, 8, 0x0FFFFFFF);
  variants.push_back({"huge-count", v});
  v = mo;
  SetWord(v, originals + 4, size + 10);
  variants.push_back({"original-offset-past-end", v});
  v = mo;
  SetWord(v, translations + 8 * (count - 1), 0x7FFFFFFF);
  variants.push_back({"translation-length-past-end", v});
  v = mo;
  SetWord(v, 16, size - 4);
  variants.push_back({"translation-table-past-end", v});
  v = mo;
  v[WordAt(mo, translations + 4) + WordAt(mo, translations)] = 'x';
  variants.push_back({"unterminated-string", v});
  v = mo;
  SetWord(v, 24, size - 8);
  variants.push_back({"hash-table-past-end", v});
  v = mo;
  for (uint32_t i = 0; i < hashSize; ++i) {
    if (WordAt(v, hashOffset + 4 * i) != 0) SetWord(v, hashOffset + 4 * i, count + 7);
  }
  variants.push_back({"hash-entry-past-count", v});
  v = mo;
  for (uint32_t i = 0; i < hashSize; ++i) {
    if (WordAt(v, hashOffset + 4 * i) == 0) SetWord(v, hashOffset + 4 * i, 1);
  }
  variants.push_back({"hash-table-full", v});
  v = mo;
  SetWord(v, 4, 0x00020000);
  variants.push_back({"unknown-revision", v});
  v = mo;
  v[0] ^= 0xFF;
  variants.push_back({"bad-magic", v});
  return variants;
}

}  // namespace catalogue_test
