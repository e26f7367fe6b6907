// virtual-printer: decodes what Setwright sends, keeps the settings it
// carries and answers the two requests that expect a reply.
//   virtual-printer decode [FILE|-]
//   virtual-printer serve --tcp 127.0.0.1:9100 [--pty LINK] [--file PATH] ...
// One JSON object per line on standard output (--text: readable lines).
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>

#ifndef _WIN32
#include "emulator/app/Farm.h"
#endif
#include "emulator/app/Platform.h"
#include "emulator/app/Serve.h"
#include "emulator/core/Session.h"

namespace vprinter {
namespace {

constexpr int kUsageError = 2;

// Writes each event as one line.
class LineSink : public EventSink {
 public:
  LineSink(bool text, bool flushEach) : text_(text), flushEach_(flushEach) {}
  void Emit(const Json& event, const std::string& text) override {
    const std::string line = text_ ? text : JsonLine(event);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    if (flushEach_) std::fflush(stdout);
  }

 private:
  const bool text_;
  const bool flushEach_;
};

// Owns a stdio file opened by the program (not stdin).
class InputFile {
 public:
  explicit InputFile(const std::string& path)
      : file_(path == "-" ? stdin : std::fopen(path.c_str(), "rb")), owned_(path != "-") {}
  ~InputFile() {
    if (owned_ && file_ != nullptr) std::fclose(file_);
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  std::FILE* Get() const { return file_; }

 private:
  std::FILE* file_;
  bool owned_;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "virtual-printer: %s\n", message.c_str());
  return kUsageError;
}

int Decode(const std::string& path, Printer& printer, bool text, bool showSecrets) {
  BinaryStdio();
  InputFile input(path);
  if (input.Get() == nullptr) return Fail("cannot open " + path);
  LineSink sink(text, false);
  SessionOptions sessionOptions;
  sessionOptions.showSecrets = showSecrets;
  Session session(printer, sink, path == "-" ? "stdin" : "file " + path, nullptr, sessionOptions);
  session.Start();
  std::vector<uint8_t> buffer(1 << 16);
  size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), input.Get())) > 0) {
    session.Feed(buffer.data(), got);
  }
  session.End(std::ferror(input.Get()) ? "read error" : "end");
  const Json state = printer.State();
  sink.Emit(state, StateText(state));
  return 0;
}

// The numeric options take 0 or more; a negative number is refused before
// it is converted (an unsigned option would otherwise wrap it round).
CLI::Validator NotNegative() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        const size_t first = value.find_first_not_of(" \t");
        if (first != std::string::npos && value[first] == '-') return "wants 0 or more, got " + value;
        return std::string();
      },
      "NUMBER >= 0");
}

bool SplitAddress(const std::string& text, std::string* address, unsigned short* port) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  const std::string digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long value = std::stoul(digits);
  if (value == 0 || value > 65535) return false;
  *address = text.substr(0, colon);
  *port = static_cast<unsigned short>(value);
  return true;
}

int Serve(const ServeOptions& options, Printer& printer, bool text) {
  if (options.tcp.empty() && options.pty.empty() && options.file.empty() && options.com.empty() &&
      options.pipe.empty()) {
    return Fail("serve needs at least one of --tcp, --pty, --file, --com, --pipe");
  }
  RaiseDescriptorLimit();
  // Open every end first, so a port in use fails before anything runs.
  std::string error;
  std::vector<std::unique_ptr<Listener>> listeners;
  for (const std::string& endpoint : options.tcp) {
    std::string address;
    unsigned short port = 0;
    if (!SplitAddress(endpoint, &address, &port)) return Fail("--tcp wants ADDR:PORT, got " + endpoint);
    std::unique_ptr<Listener> listener = ListenTcp(address, port, &error);
    if (!listener) return Fail(error);
    listeners.push_back(std::move(listener));
  }
  std::unique_ptr<Stream> pty, com;
  if (!options.pty.empty() && !(pty = OpenPty(options.pty, &error))) return Fail(error);
  if (!options.com.empty() && !(com = OpenCom(options.com, &error))) return Fail(error);

  LineSink sink(text, true);
  EventLoop loop;
  Shared shared;
  Runtime rt{printer, sink, options, loop, shared, Role::Live, std::string()};
  std::vector<std::unique_ptr<End>> ends;
  if (!options.pipe.empty()) {
    std::unique_ptr<End> pipe = MakePipeEnd(rt, options.pipe, &error);
    if (!pipe) return Fail(error);
    ends.push_back(std::move(pipe));
  }
  for (std::unique_ptr<Listener>& listener : listeners) ends.push_back(MakeTcpEnd(rt, std::move(listener)));
  if (pty) ends.push_back(MakeStreamEnd(rt, std::move(pty), "pty " + options.pty));
  if (com) ends.push_back(MakeStreamEnd(rt, std::move(com), "com " + options.com));
  if (!options.file.empty()) ends.push_back(MakeFileEnd(rt, options.file));
  CatchStopRequests();

  Json ready = Json::object();
  ready["event"] = "listening";
  std::string where;
  for (const std::string& t : options.tcp) where += " tcp " + t;
  if (!options.pty.empty()) where += " pty " + options.pty;
  if (!options.com.empty()) where += " com " + options.com;
  if (!options.file.empty()) where += " file " + options.file;
  if (!options.pipe.empty()) where += " pipe " + options.pipe;
  ready["on"] = where.empty() ? where : where.substr(1);
  sink.Emit(ready, "listening on" + where);

  // Until --exit-after-jobs, --timeout or a stop request; the jobs still
  // open then end as "stopped", and the state follows as on any end.
  loop.Run(options.timeoutS);
  for (std::unique_ptr<End>& end : ends) end->Shutdown();
  const Json state = printer.State();
  sink.Emit(state, StateText(state));
  return 0;
}

int Run(int argc, char** argv) {
  CLI::App app{"A virtual printer: decodes setting commands and answers requests", "virtual-printer"};
  app.require_subcommand(1);
  bool text = false;
  PrinterConfig config;
  app.add_flag("--text", text, "readable lines instead of JSON");
  bool showSecrets = false;
  app.add_flag("--show-secrets", showSecrets, "show Wi-Fi keys and Bluetooth PINs instead of ** per byte");
  app.add_option("--model", config.model, "model name the model-name query answers (default MQ7XX)");
  app.add_option("--reply-network", config.networkReply, "answer to the network settings request");

  CLI::App* decode = app.add_subcommand("decode", "decode a capture");
  std::string input = "-";
  decode->add_option("input", input, "capture file, or - for standard input");

  CLI::App* serve = app.add_subcommand("serve", "play the printer on one or more ends");
  ServeOptions options;
  serve->add_option("--tcp", options.tcp, "listen on ADDR:PORT, one job per connection");
#ifndef _WIN32
  serve->add_option("--pty", options.pty, "make a pty and link its slave at LINK");
  std::vector<std::string> farmArgs;
  FarmOptions farm;
  serve->add_option("--farm", farmArgs, "FIRST COUNT: COUNT printers on consecutive loopback addresses at port 9100")
      ->expected(2);
  std::vector<CLI::Option*> shares;
  shares.push_back(serve->add_option("--farm-dead", farm.deadPercent, "PERCENT of the farm never accepts a connection")
                       ->check(CLI::Range(0, 100)));
  shares.push_back(serve->add_option("--farm-reset", farm.resetPercent, "PERCENT of the farm closes each job with a reset")
                       ->check(CLI::Range(0, 100)));
  shares.push_back(serve->add_option("--farm-silent", farm.silentPercent, "PERCENT of the farm reads and never closes")
                       ->check(CLI::Range(0, 100)));
#else
  serve->add_option("--com", options.com, "read a COM port (COMn)");
  serve->add_option("--pipe", options.pipe, "named pipe standing in for the USB printer");
#endif
  serve->add_option("--file", options.file, "follow a file a port or queue writes to");
  serve->add_option("--record", options.record, "write each job's raw bytes to DIR/job-N.bin");
  serve->add_option("--exit-after-jobs", options.exitAfterJobs, "exit after N jobs")->check(NotNegative());
  serve->add_option("--timeout", options.timeoutS, "exit after S seconds")->check(NotNegative());
  serve->add_option("--accept-bytes", options.acceptBytes, "stop reading a job after N bytes and close")
      ->check(NotNegative());
  serve->add_option("--reset-after-bytes", options.resetAfterBytes, "close a job with a reset after N bytes")
      ->check(NotNegative());
  serve->add_flag("--no-reply", options.noReply, "never answer requests");
  serve->add_option("--reply-delay", options.replyDelayMs, "wait MS before each reply")->check(NotNegative());
  serve->add_flag("--state-every-job", options.stateEveryJob, "print the settings after each job");
  // Options are accepted before or after the subcommand.
  for (CLI::App* sub : {decode, serve}) {
    sub->fallthrough();
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    std::fputs(app.help("", CLI::AppFormatMode::All).c_str(), stdout);
    return 0;
  } catch (const CLI::ParseError& e) {
    return Fail(std::string(e.what()) + " (see --help)");
  }
  if (config.model.empty() || config.model.size() > kMaxModelNameBytes) {
    return Fail("--model wants 1 to " + std::to_string(kMaxModelNameBytes) + " bytes");
  }
  if (config.networkReply.size() > kMaxNetworkReplyBytes) {
    return Fail("--reply-network wants at most " + std::to_string(kMaxNetworkReplyBytes) + " bytes");
  }
  if (options.record.size() > 0) {
    std::error_code ec;
    std::filesystem::create_directories(options.record, ec);
  }
  options.showSecrets = showSecrets;
#ifndef _WIN32
  if (!farmArgs.empty()) {
    if (!options.tcp.empty() || !options.pty.empty() || !options.file.empty()) {
      return Fail("--farm serves printers of its own: give no --tcp, --pty or --file with it");
    }
    const std::string& count = farmArgs[1];
    if (count.empty() || count.size() > 9 || count.find_first_not_of("0123456789") != std::string::npos) {
      return Fail("--farm wants FIRST COUNT, with COUNT a number of 1 or more; got " + count);
    }
    farm.first = farmArgs[0];
    farm.count = std::stoi(count);
    LineSink sink(text, true);
    return ServeFarm(options, farm, config, sink);
  }
  for (const CLI::Option* share : shares) {
    if (share->count() > 0) return Fail(share->get_name() + " needs --farm");
  }
#endif
  Printer printer(config);
  if (decode->parsed()) return Decode(input, printer, text, showSecrets);
  return Serve(options, printer, text);
}

}  // namespace
}  // namespace vprinter

int main(int argc, char** argv) {
  try {
    return vprinter::Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "virtual-printer: %s\n", e.what());
    return 1;
  }
}
