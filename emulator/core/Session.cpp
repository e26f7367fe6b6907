#include "emulator/core/Session.h"

namespace vprinter {

Session::Session(Printer& printer, EventSink& sink, std::string source, ReplyChannel* replies,
                 SessionOptions options)
    : printer_(printer),
      sink_(sink),
      source_(std::move(source)),
      replies_(replies),
      options_(options),
      decoder_(*this) {}

Json Session::Base(const char* event) {
  Json json = Json::object();
  json["event"] = event;
  json["job"] = job_;
  return json;
}

void Session::Start() {
  job_ = printer_.NextJob();
  Json event = Base("job_start");
  event["source"] = source_;
  sink_.Emit(event, "job " + std::to_string(job_) + " from " + source_);
}

void Session::End(const char* reason) {
  decoder_.Finish();
  Json event = Base("job_end");
  event["bytes"] = decoder_.Consumed();
  event["commands"] = commands_;
  event["invalid"] = invalid_;
  event["unframed"] = unframed_;
  event["reason"] = reason;
  event["source"] = source_;
  sink_.Emit(event, "job " + std::to_string(job_) + " ended (" + reason + "): " +
                        std::to_string(decoder_.Consumed()) + " bytes, " +
                        std::to_string(commands_) + " commands, " + std::to_string(invalid_) +
                        " not valid, " + std::to_string(unframed_) + " unframed bytes");
  if (options_.stateEveryJob) {
    const Json state = printer_.State();
    sink_.Emit(state, StateText(state));
  }
}

void Session::OnCommand(const Frame& frame) {
  ++commands_;
  Description d = Describe(frame, options_.showSecrets);
  const std::string raw = CommandHex(frame.layout, frame.bytes, frame.size, options_.showSecrets);
  if (!d.ok) ++invalid_;
  Json event = Base("command");
  event["cmd"] = frame.layout->name;
  for (auto& item : d.fields.items()) event[item.key()] = item.value();
  event["raw"] = raw;
  event["ok"] = d.ok;
  event["offset"] = frame.offset;
  event["source"] = source_;
  std::string text = Spoken(frame.layout->name);
  if (!d.text.empty()) text += ": " + d.text;
  if (!d.ok) text += "  [not a value the pages send: " + raw + "]";
  sink_.Emit(event, text);
  if (d.ok) printer_.Apply(frame.layout->name, d.fields);

  std::vector<uint8_t> reply = ReplyFor(*frame.layout, printer_.Config());
  if (reply.empty()) return;
  Json answer = Base("reply");
  answer["cmd"] = frame.layout->name;
  answer["bytes"] = reply.size();
  answer["raw"] = HexBytes(reply.data(), reply.size());
  answer["source"] = source_;
  bool sent = false;
  const char* why = nullptr;
  if (options_.noReply) {
    why = "no-reply";
  } else if (replies_ == nullptr) {
    why = "no way back on this transport";
  } else {
    sent = replies_->Send(reply);
    if (!sent) why = "the sender was gone";
  }
  answer["sent"] = sent;
  if (why != nullptr) answer["why"] = why;
  sink_.Emit(answer, std::string("reply to ") + Spoken(frame.layout->name) + ": " +
                         std::to_string(reply.size()) + " bytes" +
                         (sent ? std::string(" sent") : std::string(" not sent (") + why + ")"));
}

void Session::OnUnframed(uint64_t offset, uint64_t count, const uint8_t* head, size_t headSize) {
  unframed_ += count;
  Json event = Base("unframed");
  event["offset"] = offset;
  event["bytes"] = count;
  event["raw"] = HexBytes(head, headSize) + (count > headSize ? " ..." : "");
  event["source"] = source_;
  sink_.Emit(event, "unframed: " + std::to_string(count) + " bytes at " + std::to_string(offset) +
                        ": " + HexBytes(head, headSize) + (count > headSize ? " ..." : ""));
}

void Session::OnTruncated(const CommandLayout* layout, const uint8_t* bytes, size_t size,
                          uint64_t offset) {
  ++invalid_;
  Json event = Base("truncated");
  if (layout != nullptr) event["cmd"] = layout->name;
  event["offset"] = offset;
  event["bytes"] = size;
  event["raw"] = CommandHex(layout, bytes, size, options_.showSecrets);
  event["source"] = source_;
  sink_.Emit(event, std::string("truncated ") + (layout != nullptr ? Spoken(layout->name) : "command") +
                        ": the job ended after " + std::to_string(size) + " of its bytes");
}

std::string StateText(const Json& state) {
  std::string text = "state:";
  const Json& settings = state["settings"];
  if (settings.empty()) return text + " nothing set";
  for (auto& item : settings.items()) {
    text += "\n  " + Spoken(item.key().c_str()) + ":";
    for (auto& field : item.value().items()) {
      text += " " + field.key() + "=" +
              EscapeControls(field.value().is_string() ? field.value().get<std::string>() : field.value().dump());
    }
  }
  return text;
}

}  // namespace vprinter
