#include "common/translation/CatalogueCheck.h"

#include <cstdint>

namespace catalogue {

namespace {

constexpr uint32_t kMagic = 0x950412DEu;
constexpr uint32_t kMagicSwapped = 0xDE120495u;
constexpr size_t kHeaderBytes = 28;
constexpr size_t kSysdepHeaderBytes = 48;

class Reader {
 public:
  Reader(const unsigned char* data, size_t size, bool swapped)
      : data_(data), size_(size), swapped_(swapped) {}

  // The 32-bit word at offset, or false when it does not lie in the file.
  bool Word(uint64_t offset, uint32_t* value) const {
    if (offset > size_ || size_ - offset < 4) return false;
    const unsigned char* p = data_ + offset;
    uint32_t v = swapped_ ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                          : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
    *value = v;
    return true;
  }

  // A table of count entries of entryBytes each at offset lies in the file.
  bool TableFits(uint64_t offset, uint64_t count, uint64_t entryBytes) const {
    return offset <= size_ && count <= (size_ - offset) / entryBytes;
  }

  // The string of length bytes at offset, with its terminating zero, lies in the file.
  bool StringFits(uint32_t length, uint32_t offset) const {
    const uint64_t end = uint64_t{offset} + length;
    return end < size_ && data_[end] == 0;
  }

 private:
  const unsigned char* data_;
  size_t size_;
  bool swapped_;
};

}  // namespace

bool IsUsable(const unsigned char* data, size_t size) {
  if (data == nullptr || size < kHeaderBytes) return false;
  const uint32_t magic = uint32_t{data[3]} << 24 | uint32_t{data[2]} << 16 |
                         uint32_t{data[1]} << 8 | data[0];
  if (magic != kMagic && magic != kMagicSwapped) return false;
  const Reader file(data, size, magic == kMagicSwapped);

  uint32_t revision = 0, count = 0, originals = 0, translations = 0, hashSize = 0, hashOffset = 0;
  file.Word(4, &revision);
  file.Word(8, &count);
  file.Word(12, &originals);
  file.Word(16, &translations);
  file.Word(20, &hashSize);
  file.Word(24, &hashOffset);

  const uint32_t major = revision >> 16;
  if (major > 1) return false;
  if ((revision & 0xFFFF) >= 1) {
    // Later minor revisions may carry system-dependent strings, which the
    // checks below do not cover: accepted only without any.
    uint32_t segments = 0, sysdepStrings = 0;
    if (size < kSysdepHeaderBytes) return false;
    file.Word(28, &segments);
    file.Word(36, &sysdepStrings);
    if (segments != 0 || sysdepStrings != 0) return false;
  }

  if (!file.TableFits(originals, count, 8) || !file.TableFits(translations, count, 8)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t length = 0, offset = 0;
    file.Word(uint64_t{originals} + 8u * i, &length);
    file.Word(uint64_t{originals} + 8u * i + 4, &offset);
    if (!file.StringFits(length, offset)) return false;
    file.Word(uint64_t{translations} + 8u * i, &length);
    file.Word(uint64_t{translations} + 8u * i + 4, &offset);
    if (!file.StringFits(length, offset)) return false;
  }

  // The runtime ignores a hash table of two entries or fewer.
  if (hashSize > 2) {
    if (!file.TableFits(hashOffset, hashSize, 4)) return false;
    bool emptySlot = false;
    for (uint32_t i = 0; i < hashSize; ++i) {
      uint32_t entry = 0;
      file.Word(uint64_t{hashOffset} + 4u * i, &entry);
      if (entry == 0) {
        emptySlot = true;
      } else if (entry > count) {
        return false;
      }
    }
    if (!emptySlot) return false;
  }
  return true;
}

std::string LanguageOf(const std::string& name) {
  std::string language;
  for (char c : name) {
    if (c == '_' || c == '.' || c == '@' || c == '-') break;
    language += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return language;
}

}  // namespace catalogue
