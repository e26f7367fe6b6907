// The virtual printer's memory and its answers: the settings decoded so far
// (kept across jobs and transports) and the replies to the two requests that
// expect one. Shared by every end of the program; every access is locked, so
// an end may also run on a thread of its own.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/core/Describe.h"

namespace vprinter {

constexpr const char* kDefaultNetworkReply = "192.168.1.87-9100-255.255.255.0-192.168.1.1";
constexpr const char* kDefaultModel = "MQ7XX";
constexpr size_t kModelReplyBytes = 64;
// Name bytes start at 6 and a zero byte must follow inside the 64.
constexpr size_t kMaxModelNameBytes = kModelReplyBytes - 6 - 1;
// The sender reads at most 64 bytes and needs the terminating zero in them.
constexpr size_t kMaxNetworkReplyBytes = 63;

struct PrinterConfig {
  std::string networkReply = kDefaultNetworkReply;
  std::string model = kDefaultModel;
};

// The reply the printer gives to a command, empty when it gives none.
std::vector<uint8_t> ReplyFor(const CommandLayout& layout, const PrinterConfig& config);

class Printer {
 public:
  explicit Printer(PrinterConfig config) : config_(std::move(config)) {}
  const PrinterConfig& Config() const { return config_; }
  // Remembers what a valid command sets; factory_restore forgets everything.
  void Apply(const char* cmd, const Json& fields);
  // {"event":"state","settings":{...}}
  Json State();
  // Job numbers, counted from 1 across all transports.
  int NextJob();

 private:
  const PrinterConfig config_;
  std::mutex mutex_;
  Json settings_ = Json::object();
  int jobs_ = 0;
};

}  // namespace vprinter
