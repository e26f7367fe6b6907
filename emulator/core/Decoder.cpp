#include "emulator/core/Decoder.h"

#include <cstring>

namespace vprinter {
namespace {

// Index of the first table entry for each prefix and letter, or -1.
struct LetterIndex {
  int16_t first[2][256];
  LetterIndex() {
    for (auto& row : first) {
      for (int16_t& entry : row) entry = -1;
    }
    for (size_t i = CommandCount(); i-- > 0;) {
      const CommandLayout& layout = Commands()[i];
      first[layout.prefix == kUs ? 1 : 0][layout.letter] = static_cast<int16_t>(i);
    }
  }
};

const LetterIndex& Index() {
  static const LetterIndex index;
  return index;
}

}  // namespace

Decoder::Status Decoder::Evaluate(const CommandLayout** chosen, size_t* total) const {
  if (held_ < 2) return Status::NeedMore;
  const int first = Index().first[command_[0] == kUs ? 1 : 0][command_[1]];
  if (first < 0) return Status::Invalid;
  // Pick the variant: one whose leading Const matches, else the one without.
  const CommandLayout* layout = nullptr;
  for (size_t i = static_cast<size_t>(first); i < CommandCount(); ++i) {
    const CommandLayout& candidate = Commands()[i];
    if (candidate.prefix != command_[0] || candidate.letter != command_[1]) break;
    if (candidate.fieldCount > 0 && candidate.fields[0].arg == Arg::Const) {
      if (held_ < 3) return Status::NeedMore;
      if (command_[2] != candidate.fields[0].min) continue;
    }
    layout = &candidate;
    break;
  }
  if (layout == nullptr) return Status::Invalid;
  *chosen = layout;
  size_t position = 2;
  for (uint8_t f = 0; f < layout->fieldCount; ++f) {
    const FieldLayout& field = layout->fields[f];
    switch (field.arg) {
      case Arg::Byte: position += 1; break;
      case Arg::Word: position += 2; break;
      case Arg::Ipv4: position += 4; break;
      case Arg::Mac: position += 6; break;
      case Arg::Block: position = kBlockCommandBytes; break;
      case Arg::Const:
        if (position >= held_) return Status::NeedMore;
        if (command_[position] != field.min) return Status::Invalid;
        position += 1;
        break;
      case Arg::Counted:
        if (position >= held_) return Status::NeedMore;
        position += 1 + command_[position];
        break;
    }
  }
  *total = position;
  return held_ >= position ? Status::Complete : Status::NeedMore;
}

void Decoder::AddUnframed(uint8_t byte) {
  if (unframedCount_ == 0) unframedOffset_ = consumed_;
  if (unframedCount_ < kUnframedHeadBytes) unframedHead_[unframedCount_] = byte;
  if (++unframedCount_ == kUnframedReportBytes) FlushUnframed();
}

void Decoder::FlushUnframed() {
  if (unframedCount_ == 0) return;
  const size_t head = unframedCount_ < kUnframedHeadBytes ? static_cast<size_t>(unframedCount_)
                                                          : kUnframedHeadBytes;
  sink_.OnUnframed(unframedOffset_, unframedCount_, unframedHead_, head);
  unframedCount_ = 0;
}

// The held bytes frame no command: the prefix byte is unframed and the rest
// is looked at again from the next byte on (it may hold a prefix).
// A command is found invalid within its first few bytes (letter or a
// leading Const), so `rest` is short.
void Decoder::Reject() {
  uint8_t rest[kMaxCommandBytes];
  const size_t restSize = held_ - 1;
  memcpy(rest, command_ + 1, restSize);
  const uint64_t end = consumed_;
  consumed_ = commandOffset_;
  held_ = 0;
  need_ = 0;
  layout_ = nullptr;
  AddUnframed(command_[0]);
  ++consumed_;
  for (size_t i = 0; i < restSize; ++i) Take(rest[i]);
  consumed_ = end;
}

void Decoder::Take(uint8_t byte) {
  if (held_ == 0) {
    if (!IsPrefix(byte)) {
      AddUnframed(byte);
      ++consumed_;
      return;
    }
    commandOffset_ = consumed_;
  }
  command_[held_++] = byte;
  ++consumed_;
  if (need_ != 0 && held_ < need_) return;
  size_t total = 0;
  const CommandLayout* layout = nullptr;
  switch (Evaluate(&layout, &total)) {
    case Status::NeedMore:
      layout_ = layout;
      if (total != 0) need_ = total;
      return;
    case Status::Complete:
      FlushUnframed();
      sink_.OnCommand(Frame{layout, command_, held_, commandOffset_});
      held_ = 0;
      need_ = 0;
      layout_ = nullptr;
      return;
    case Status::Invalid:
      Reject();
      return;
  }
}

void Decoder::Feed(const uint8_t* data, size_t size) {
  size_t i = 0;
  while (i < size) {
    // Fast paths: the known rest of a long command, and runs outside commands.
    if (held_ > 0 && need_ > held_ + 1) {
      size_t chunk = need_ - held_ - 1;
      if (chunk > size - i) chunk = size - i;
      memcpy(command_ + held_, data + i, chunk);
      held_ += chunk;
      consumed_ += chunk;
      i += chunk;
      continue;
    }
    Take(data[i++]);
  }
}

void Decoder::Finish() {
  if (held_ > 0) {
    FlushUnframed();
    sink_.OnTruncated(held_ >= 2 ? layout_ : nullptr, command_, held_, commandOffset_);
  }
  FlushUnframed();
  held_ = 0;
  need_ = 0;
  layout_ = nullptr;
}

}  // namespace vprinter
