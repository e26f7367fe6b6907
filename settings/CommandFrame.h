// Command framing shared by all setting pages: a bounded, zero-filled
// command buffer with a running write position, the append operations,
// the number check and the millimetre conversions. Platform-free: plain
// values in, bytes out, so it also builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace commands {

constexpr unsigned char kDle = 0x10;  // DLE prefix
constexpr unsigned char kUs = 0x1F;   // US prefix

// Buffer sizes of the page sends.
constexpr size_t kPageBufferBytes = 64;
constexpr size_t kWifiBufferBytes = 324;
constexpr size_t kBluetoothCommandBytes = 32;

// A zero-filled byte array of fixed capacity and a write position. Writes
// past the capacity are dropped and remembered (Overflowed), never made.
class CommandBuffer {
 public:
  explicit CommandBuffer(size_t capacity) : bytes_(capacity, 0) {}

  void Put(unsigned char byte) {
    if (position_ < bytes_.size()) {
      bytes_[position_++] = byte;
    } else {
      overflowed_ = true;
    }
  }
  // Moves the position over bytes that stay zero.
  void Skip(size_t count) {
    for (size_t i = 0; i < count; ++i) Put(0);
  }
  size_t Position() const { return position_; }
  size_t Capacity() const { return bytes_.size(); }
  bool Overflowed() const { return overflowed_; }
  const unsigned char* Data() const { return bytes_.data(); }
  // The bytes written so far (0 .. position).
  std::vector<unsigned char> Written() const {
    return std::vector<unsigned char>(bytes_.begin(), bytes_.begin() + position_);
  }
  // The whole buffer, zeros included.
  const std::vector<unsigned char>& All() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
  size_t position_ = 0;
  bool overflowed_ = false;
};

// Prefix byte and command letter.
void AppendPrefix(CommandBuffer& buffer, unsigned char prefix, char letter);
// One byte (the low 8 bits of value).
void AppendByte(CommandBuffer& buffer, unsigned value);
// The index of a drop-down list's current item (its current-selection
// query result), low 8 bits.
void AppendSelection(CommandBuffer& buffer, int currentSelection);
// Two bytes, high byte first (bits 8-15, then bits 0-7).
void AppendWord(CommandBuffer& buffer, unsigned value);
// The closing command DLE 'C'.
void AppendClosing(CommandBuffer& buffer);

// True when every character is '0'..'9' (an empty text counts as true).
bool IsAllDigits(const std::string& text);

// The outcome of reading a numeric entry field.
enum class NumberStatus {
  Ok,          // value holds the number
  NotNumber,   // empty, or a character other than a digit
  OutOfRange,  // digits, but above the field's limit (also: beyond any integer)
};
struct NumberField {
  NumberStatus status = NumberStatus::NotNumber;
  unsigned value = 0;
};

// Checks an entry's ANSI text: empty or not all digits gives NotNumber; a
// value above `limit` gives OutOfRange, however many digits it has (no
// overflow); otherwise Ok with the value. "007" is 7.
NumberField ReadNumberField(const std::string& text, unsigned limit);

// mm * 360 / 25.4 in double precision, rounded half up.
int MillimetresToDotsRounded(int mm);
// mm / 25.4 kept in single precision, times 360, truncated.
int MillimetresToDotsTruncated(int mm);

}  // namespace commands
