// One job (a connection, or the bytes of one open of a device): decodes what
// arrives, reports every event, updates the printer's settings and sends the
// replies the requests ask for.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/core/Decoder.h"
#include "emulator/core/Printer.h"

namespace vprinter {

// Where events go: one JSON object each, with a readable form beside it.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void Emit(const Json& event, const std::string& text) = 0;
};

// The way back to the sender; Send reports whether the bytes were handed on.
class ReplyChannel {
 public:
  virtual ~ReplyChannel() = default;
  virtual bool Send(const std::vector<uint8_t>& bytes) = 0;
};

struct SessionOptions {
  bool noReply = false;
  bool stateEveryJob = false;
  bool showSecrets = false;  // else Wi-Fi keys and Bluetooth PINs show as "**" per byte
};

class Session : public DecoderSink {
 public:
  // replies may be null (a transport with no way back).
  Session(Printer& printer, EventSink& sink, std::string source, ReplyChannel* replies,
          SessionOptions options);
  void Start();
  void Feed(const uint8_t* data, size_t size) { decoder_.Feed(data, size); }
  // reason: "closed", "accept_limit", "reset", "end" ...
  void End(const char* reason);
  uint64_t Bytes() const { return decoder_.Consumed(); }
  int Job() const { return job_; }

  void OnCommand(const Frame& frame) override;
  void OnUnframed(uint64_t offset, uint64_t count, const uint8_t* head, size_t headSize) override;
  void OnTruncated(const CommandLayout* layout, const uint8_t* bytes, size_t size,
                   uint64_t offset) override;

 private:
  Json Base(const char* event);
  Printer& printer_;
  EventSink& sink_;
  const std::string source_;
  ReplyChannel* replies_;
  const SessionOptions options_;
  Decoder decoder_;
  int job_ = 0;
  uint64_t commands_ = 0;
  uint64_t invalid_ = 0;
  uint64_t unframed_ = 0;
};

// Readable form of the state event; text values have their control
// characters escaped.
std::string StateText(const Json& state);

}  // namespace vprinter
