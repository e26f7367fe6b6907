// Incremental stream decoder: takes the bytes of a job in pieces of any size
// and frames commands by the command table. Bytes that belong to no command
// are reported as unframed runs; framing resumes at the next prefix byte.
// It holds at most one command's bytes, so its memory does not grow with the
// stream.
#pragma once
#include <cstddef>
#include <cstdint>

#include "emulator/core/CommandTable.h"

namespace vprinter {

// One framed command; the bytes are valid only during the callback.
struct Frame {
  const CommandLayout* layout;
  const uint8_t* bytes;
  size_t size;
  uint64_t offset;  // of its first byte in the job
};

class DecoderSink {
 public:
  virtual ~DecoderSink() = default;
  virtual void OnCommand(const Frame& frame) = 0;
  // A run of `count` bytes at `offset` that frame no command; `head` holds
  // its first headSize bytes (at most kUnframedHeadBytes).
  virtual void OnUnframed(uint64_t offset, uint64_t count, const uint8_t* head, size_t headSize) = 0;
  // The job ended inside a command: layout is the command if its letter was
  // known (else nullptr), bytes what arrived of it.
  virtual void OnTruncated(const CommandLayout* layout, const uint8_t* bytes, size_t size,
                           uint64_t offset) = 0;
};

constexpr size_t kUnframedHeadBytes = 16;
// A long unframed run is reported in parts of this size.
constexpr uint64_t kUnframedReportBytes = 65536;

class Decoder {
 public:
  explicit Decoder(DecoderSink& sink) : sink_(sink) {}
  void Feed(const uint8_t* data, size_t size);
  // End of the job: reports a partial command and the pending unframed run,
  // then starts afresh.
  void Finish();
  uint64_t Consumed() const { return consumed_; }

 private:
  enum class Status { NeedMore, Complete, Invalid };
  // Frames the command bytes held so far.
  Status Evaluate(const CommandLayout** layout, size_t* total) const;
  void Take(uint8_t byte);
  void AddUnframed(uint8_t byte);
  void FlushUnframed();
  void Reject();

  DecoderSink& sink_;
  uint8_t command_[kMaxCommandBytes];
  size_t held_ = 0;         // bytes of the command being framed
  size_t need_ = 0;         // its full size once known (0: not yet known)
  const CommandLayout* layout_ = nullptr;
  uint64_t commandOffset_ = 0;
  uint64_t consumed_ = 0;  // bytes of the job seen so far
  uint64_t unframedOffset_ = 0;
  uint64_t unframedCount_ = 0;
  uint8_t unframedHead_[kUnframedHeadBytes];
};

}  // namespace vprinter
