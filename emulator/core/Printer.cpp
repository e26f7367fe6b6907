#include "emulator/core/Printer.h"

#include <cstring>

namespace vprinter {

std::vector<uint8_t> ReplyFor(const CommandLayout& layout, const PrinterConfig& config) {
  if (strcmp(layout.name, "read_network_settings") == 0) {
    std::vector<uint8_t> reply(config.networkReply.begin(), config.networkReply.end());
    reply.push_back(0);
    return reply;
  }
  if (strcmp(layout.name, "model_name_query") == 0) {
    // Byte 4 is the name length plus one; the name starts at byte 6.
    std::vector<uint8_t> reply(kModelReplyBytes, 0);
    const size_t length = config.model.size() < kMaxModelNameBytes ? config.model.size()
                                                                   : kMaxModelNameBytes;
    reply[4] = static_cast<uint8_t>(length + 1);
    memcpy(reply.data() + 6, config.model.data(), length);
    return reply;
  }
  return {};
}

void Printer::Apply(const char* cmd, const Json& fields) {
  static const char* const kNotSettings[] = {"close", "self_test", "read_network_settings",
                                             "model_name_query", "network_address"};
  for (const char* name : kNotSettings) {
    if (strcmp(cmd, name) == 0) return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (strcmp(cmd, "factory_restore") == 0) {
    settings_ = Json::object();
    return;
  }
  settings_[cmd] = fields;
}

Json Printer::State() {
  std::lock_guard<std::mutex> lock(mutex_);
  Json event = Json::object();
  event["event"] = "state";
  event["settings"] = settings_;
  return event;
}

int Printer::NextJob() {
  std::lock_guard<std::mutex> lock(mutex_);
  return ++jobs_;
}

}  // namespace vprinter
