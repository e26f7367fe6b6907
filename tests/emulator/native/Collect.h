// Decodes byte strings into the JSON events the program prints, for the
// native tests.
#pragma once
#include <string>
#include <vector>

#include "emulator/core/Session.h"

namespace vprinter_test {

using vprinter::Json;
using Bytes = std::vector<unsigned char>;

class Collect : public vprinter::EventSink {
 public:
  void Emit(const Json& event, const std::string&) override { events.push_back(event); }
  // Only the events of one kind.
  std::vector<Json> Of(const char* kind) const {
    std::vector<Json> out;
    for (const Json& e : events) {
      if (e["event"] == kind) out.push_back(e);
    }
    return out;
  }
  std::vector<Json> events;
};

// One job fed in pieces of `piece` bytes (0: all at once).
inline Collect DecodeJob(const Bytes& bytes, size_t piece = 0, vprinter::SessionOptions options = {}) {
  vprinter::Printer printer{vprinter::PrinterConfig{}};
  Collect sink;
  vprinter::Session session(printer, sink, "test", nullptr, options);
  session.Start();
  if (piece == 0) piece = bytes.size() == 0 ? 1 : bytes.size();
  for (size_t at = 0; at < bytes.size(); at += piece) {
    session.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
  }
  session.End("end");
  return sink;
}

}  // namespace vprinter_test
