#include "settings/CommandFrame.h"

namespace commands {

void AppendPrefix(CommandBuffer& buffer, unsigned char prefix, char letter) {
  buffer.Put(prefix);
  buffer.Put(static_cast<unsigned char>(letter));
}

void AppendByte(CommandBuffer& buffer, unsigned value) {
  buffer.Put(static_cast<unsigned char>(value & 0xFF));
}

void AppendSelection(CommandBuffer& buffer, int currentSelection) {
  buffer.Put(static_cast<unsigned char>(currentSelection & 0xFF));
}

void AppendWord(CommandBuffer& buffer, unsigned value) {
  buffer.Put(static_cast<unsigned char>((value >> 8) & 0xFF));
  buffer.Put(static_cast<unsigned char>(value & 0xFF));
}

void AppendClosing(CommandBuffer& buffer) { AppendPrefix(buffer, kDle, 'C'); }

bool IsAllDigits(const std::string& text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

NumberField ReadNumberField(const std::string& text, unsigned limit) {
  NumberField field;
  if (text.empty() || !IsAllDigits(text)) return field;
  // Accumulate while the value stays within the limit; any further digit
  // (or a larger value) is out of range, so nothing can overflow.
  unsigned long long value = 0;
  for (char c : text) {
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > limit) {
      field.status = NumberStatus::OutOfRange;
      return field;
    }
  }
  field.status = NumberStatus::Ok;
  field.value = static_cast<unsigned>(value);
  return field;
}

int MillimetresToDotsRounded(int mm) {
  return static_cast<int>(static_cast<double>(mm * 360) / 25.4 + 0.5);
}

int MillimetresToDotsTruncated(int mm) {
  volatile float inches = static_cast<float>(static_cast<double>(mm) / 25.4);
  return static_cast<int>(static_cast<double>(inches) * 360.0);
}

}  // namespace commands
