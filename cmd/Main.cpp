// SetwrightCmd: Setwright's settings without a window. It reads a profile
// with the same rules as Setwright's Load profile, builds the bytes with the
// same encoders and sends them through the same send calls, each with an
// explicit target; every outcome is a line.
//
// Exit codes: 0 every send reached its printer (confirmed, or unconfirmed
// over the network); 1 profile or argument error, nothing sent; 2 at least
// one send failed; 3 usage.
#include <winsock2.h>
#include <windows.h>
#include <winspool.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "transport/PortLists.h"
#include "cmd/Fleet.h"
#include "cmd/Output.h"
#include "cmd/TargetText.h"
#include "common/Globals.h"
#include "common/UniqueResource.h"
#include "emulator/core/Decoder.h"
#include "emulator/core/Describe.h"
#include "settings/Encoders.h"
#include "common/TextConvert.h"
#include "settings/Profile.h"
#include "settings/ProfileFiles.h"
#include "transport/PortNames.h"
#include "transport/Send.h"
#include "transport/USBDevice.h"

#ifndef SW_VERSION_TEXT
#define SW_VERSION_TEXT "unknown"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitInput = 1;
constexpr int kExitSendFailed = 2;
constexpr int kExitUsage = 3;

cmdline::Output out;

// ---------------------------------------------------------------------------
// Targets: read strictly, then checked against the system (a queue that is
// installed, a USB path that is a device) before anything is sent.

struct Target {
  std::string text;  // as given
  SendTarget send;
};

std::wstring Widen(const std::string& utf8) { return Utf8ToWide(utf8); }

DCB SerialSettings(const cmdline::SerialLine& line) {
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  dcb.BaudRate = line.baud;
  dcb.ByteSize = static_cast<BYTE>(line.dataBits);
  dcb.fBinary = TRUE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.StopBits = line.stopBits == 1 ? ONESTOPBIT : TWOSTOPBITS;
  dcb.Parity = line.parity == 'O' ? ODDPARITY : line.parity == 'E' ? EVENPARITY : NOPARITY;
  dcb.fParity = line.parity != 'N';
  return dcb;
}

bool ResolveTarget(const std::string& text, Target* target, std::string* why) {
  cmdline::TargetText read;
  if (!cmdline::ParseTargetText(text, &read, why)) return false;
  target->text = text;
  SendTarget& send = target->send;
  send = SendTarget();
  switch (read.kind) {
    case cmdline::TargetKind::Com:
      send.kind = Com;
      send.name = Widen(read.name);
      send.hasSerial = true;
      send.serial = SerialSettings(read.serial);
      return true;
    case cmdline::TargetKind::Lpt:
      send.kind = Lpt;
      send.name = Widen(read.name);
      return true;
    case cmdline::TargetKind::Queue: {
      send.kind = PrinterDriver;
      send.name = Widen(read.name);
      if (send.name.size() >= kTransportNameChars) return *why = "the queue name is too long", false;
      UniquePrinter printer;
      if (!::OpenPrinterW(&send.name[0], printer.Out(), nullptr) || !printer.Valid()) {
        return *why = "no installed printer queue of that name", false;
      }
      return true;
    }
    case cmdline::TargetKind::Ip:
      send.kind = Ethernet;
      send.address = read.address;
      return true;
    case cmdline::TargetKind::UsbFirst: {
      wchar_t path[kUsbPathChars] = {};
      if (!FindUsbPrinter(path)) return *why = "no supported USB printer is connected", false;
      send.kind = Usb;
      send.name = path;
      return true;
    }
    case cmdline::TargetKind::UsbPath:
      send.kind = Usb;
      send.name = Widen(read.name);
      *why = UsbPathProblem(send.name);
      return why->empty();
  }
  return false;
}

bool ResolveTargets(const std::vector<std::string>& texts, std::vector<Target>* targets) {
  targets->resize(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    std::string why;
    if (!ResolveTarget(texts[i], &(*targets)[i], &why)) {
      out.Error("target " + texts[i] + ": " + why);
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Decoded command names for the log and the dry run.

class NameSink : public vprinter::DecoderSink {
 public:
  void OnCommand(const vprinter::Frame& frame) override {
    vprinter::Description description = vprinter::Describe(frame);
    Add(std::string(frame.layout->name) + (description.ok ? "" : " (invalid)"));
  }
  void OnUnframed(uint64_t, uint64_t count, const uint8_t*, size_t) override {
    Add("unframed " + std::to_string(count) + " bytes");
  }
  void OnTruncated(const vprinter::CommandLayout* layout, const uint8_t*, size_t size, uint64_t) override {
    Add(std::string("truncated ") + (layout ? layout->name : "command") + " (" + std::to_string(size) + " bytes)");
  }
  std::string names;

 private:
  void Add(const std::string& name) { names += (names.empty() ? "" : ", ") + name; }
};

std::string DecodedNames(const std::vector<unsigned char>& bytes) {
  NameSink sink;
  vprinter::Decoder decoder(sink);
  decoder.Feed(bytes.data(), bytes.size());
  decoder.Finish();
  return sink.names;
}


// Bytes in hex with every byte of a Wi-Fi key or Bluetooth PIN shown as
// "**", for the log and the dry run.
std::string Hex(const std::vector<unsigned char>& bytes) {
  return vprinter::HexBytes(bytes.data(), bytes.size());  // MASKPENDING
}

// ---------------------------------------------------------------------------
// Sending: every target's groups, several targets at a time, with a line per
// send (or a progress line on a console) and the summary.

using cmdline::Group;

struct RunSettings {
  int jobs = 32;
  DWORD connectLimitMs = 5000;
  DWORD exchangeLimitMs = 10000;
};

const char* StatusWord(SendStatus status) {
  switch (status) {
    case SendStatus::Confirmed:
      return "ok";
    case SendStatus::Unconfirmed:
      return "unconfirmed";
    default:
      return "FAILED";
  }
}

// Standard output is a console (not a file or a pipe).
bool OnConsole() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != FALSE;
}

int SendGroups(const std::vector<Target>& targets, const std::vector<Group>& groups,
               const RunSettings& settings) {
  std::vector<cmdline::Plan> plans(targets.size());
  for (size_t t = 0; t < targets.size(); ++t) {
    plans[t].target = targets[t].text;
    plans[t].send = targets[t].send;
    plans[t].send.connectLimitMs = settings.connectLimitMs;
    plans[t].send.exchangeLimitMs = settings.exchangeLimitMs;
    plans[t].send.writeLimitMs = settings.exchangeLimitMs;
    plans[t].groups = groups;
  }
  const bool console = OnConsole();
  size_t finished = 0, failedSoFar = 0;
  auto done = [&](size_t t, const cmdline::TargetResult& result) {
    ++finished;
    if (result.status == SendStatus::Failed) ++failedSoFar;
    for (size_t g = 0; g < result.groups.size(); ++g) {
      const cmdline::GroupResult& sent = result.groups[g];
      std::string line = plans[t].target + "\t" + sent.name + "\t" + std::to_string(sent.bytes) + " bytes\t" +
                         (sent.skipped ? "skipped" : StatusWord(sent.status));
      if (!sent.reason.empty() && !sent.skipped) line += ": " + sent.reason;
      if (console) {
        // On a console only what needs attention is listed; the rest is the progress line.
        if (sent.skipped || sent.status != SendStatus::Confirmed) out.Error(line);
        out.LogOnly(line);
      } else {
        out.Line(line);
      }
      out.LogOnly("  " + Hex(plans[t].groups[g].bytes) + "\n  commands: " + DecodedNames(plans[t].groups[g].bytes));
    }
    if (console) {
      std::fprintf(stderr, "\r%zu of %zu targets done, %zu failed  ", finished, plans.size(), failedSoFar);
      std::fflush(stderr);
    }
  };
  const std::vector<cmdline::TargetResult> results = cmdline::RunPlans(plans, settings.jobs, done);
  if (console) std::fprintf(stderr, "\n");
  bool anyFailed = false;
  out.Line("");
  out.Line("summary: target, sends, failed, unconfirmed, result");
  for (size_t t = 0; t < results.size(); ++t) {
    int sends = 0, failed = 0, unconfirmed = 0;
    for (const cmdline::GroupResult& sent : results[t].groups) {
      if (sent.skipped) continue;
      ++sends;
      if (sent.status == SendStatus::Failed) ++failed;
      if (sent.status == SendStatus::Unconfirmed) ++unconfirmed;
    }
    anyFailed = anyFailed || failed > 0;
    const char* result = failed > 0 ? "FAILED" : unconfirmed > 0 ? "unconfirmed" : "ok";
    out.Line(plans[t].target + "\t" + std::to_string(sends) + "\t" + std::to_string(failed) + "\t" +
             std::to_string(unconfirmed) + "\t" + result);
  }
  return anyFailed ? kExitSendFailed : kExitOk;
}

// Opens the log once every input has been read; false (after a line) when
// it cannot be opened, before anything is sent.
bool StartLog() {
  std::string why;
  if (out.OpenLog(&why)) return true;
  out.Error("--log: " + why);
  return false;
}

// ---------------------------------------------------------------------------
// Commands.

int Apply(const std::string& path, const std::vector<std::string>& targetTexts,
          const std::vector<std::string>& only, bool dryRun, const RunSettings& settings) {
  unsigned pages = only.empty() ? ~0u : 0u;
  for (const std::string& name : only) {
    int found = -1;
    for (int i = 0; i < profile::kPageCount; ++i) {
      if (_stricmp(name.c_str(), profile::kPageNames[i]) == 0) found = i;
    }
    if (found < 0) {
      out.Error("--only: unknown page " + name + " (pages: Panel, BID, Ethernet, WiFi, Bluetooth, Serial, UserDefine)");
      return kExitInput;
    }
    pages |= 1u << found;
  }
  std::string text, why;
  if (!profile::ReadProfileFile(Widen(path), &text, &why)) {
    out.Error(path + ": " + why);
    return kExitInput;
  }
  profile::Profile loaded;
  profile::Error error;
  std::vector<profile::Send> sends;
  if (!profile::Parse(text, profile::AnsiCodec(), &loaded, &error) ||
      !profile::BuildSends(loaded, profile::AnsiCodec(), pages, &sends, &error)) {
    out.Error(path + ": " + error.Text());
    return kExitInput;
  }
  std::vector<Group> groups;
  for (const profile::Send& send : sends) groups.push_back(Group{send.group, send.bytes});
  if (dryRun) {
    if (!StartLog()) return kExitInput;
    for (const Group& group : groups) {
      out.Line(group.name + "\t" + std::to_string(group.bytes.size()) + " bytes\t" + Hex(group.bytes));
      out.Line("  commands: " + DecodedNames(group.bytes));
    }
    return kExitOk;
  }
  std::vector<Target> targets;
  if (!ResolveTargets(targetTexts, &targets)) return kExitInput;
  if (groups.empty()) {
    out.Error(path + ": the profile holds no setting");
    return kExitInput;
  }
  if (!StartLog()) return kExitInput;
  return SendGroups(targets, groups, settings);
}

int SendHex(const std::string& hex, const std::vector<std::string>& targetTexts,
            const RunSettings& settings) {
  Group group{"send-hex", {}};
  std::string digits;
  for (char c : hex) {
    if (c == ' ' || c == '\t' || c == ',') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) {
      out.Error("send-hex: not a hex digit: " + std::string(1, c));
      return kExitInput;
    }
    digits += c;
  }
  if (digits.empty() || digits.size() % 2 != 0) {
    out.Error("send-hex: give whole bytes as pairs of hex digits (\"1F 48\")");
    return kExitInput;
  }
  for (size_t i = 0; i < digits.size(); i += 2) {
    group.bytes.push_back(static_cast<unsigned char>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  std::vector<Target> targets;
  if (!ResolveTargets(targetTexts, &targets)) return kExitInput;
  if (!StartLog()) return kExitInput;
  return SendGroups(targets, {group}, settings);
}

int GetNetwork(const std::string& targetText) {
  Target target;
  std::string why;
  if (!ResolveTarget(targetText, &target, &why)) {
    out.Error("target " + targetText + ": " + why);
    return kExitInput;
  }
  if (target.send.kind != Usb) {
    out.Error("get-network: the printer answers over USB only (--to usb or usb:PATH)");
    return kExitInput;
  }
  if (!StartLog()) return kExitInput;
  const std::vector<unsigned char> request = commands::EncodeReadNetworkRequest().bytes;
  unsigned char reply[520] = {};
  size_t length = 64;
  const SendOutcome outcome = QueryTarget(target.send, request.data(), request.size(), reply, &length);
  if (!outcome.Sent() || length == 0) {
    out.Line(target.text + "\tget-network\tFAILED: " +
             (outcome.reason.empty() ? std::string("no answer from the printer") : outcome.reason));
    return kExitSendFailed;
  }
  if (length > 64) length = 64;
  commands::NetworkReply parsed = commands::ParseNetworkReply(reply, static_cast<unsigned>(length));
  if (parsed.dhcp) {
    out.Line("mode\tDHCP");
  } else {
    const char* names[4] = {"address", "port", "mask", "gateway"};
    out.Line("mode\tfixed address");
    for (int i = 0; i < parsed.count; ++i) out.Line(std::string(names[i]) + "\t" + parsed.pieces[i]);
  }
  return kExitOk;
}

int List() {
  if (!StartLog()) return kExitInput;
  std::vector<std::wstring> spooler = EnumSpoolerPorts();
  std::vector<std::wstring> com;
  if (!spooler.empty()) com = EnumComPorts();
  for (const std::wstring& entry : BuildPortEntries(com, spooler)) out.Line("port\t" + WideToUtf8(entry));
  for (const std::wstring& name : EnumLocalPrinters()) out.Line("queue\t" + WideToUtf8(name));
  wchar_t path[kUsbPathChars] = {};
  if (FindUsbPrinter(path)) out.Line("usb\t" + WideToUtf8(path));
  return kExitOk;
}

int Run(int argc, char** argv) {
  CLI::App app{"SetwrightCmd: sends Setwright's printer settings without a window.\n"
               "Exit codes: 0 every send reached its printer (also unconfirmed), 1 profile or "
               "argument error (nothing sent), 2 a send failed, 3 usage error; --help and "
               "--version exit 0."};
  app.set_version_flag("--version", std::string("SetwrightCmd ") + SW_VERSION_TEXT);
  app.require_subcommand(1);
  std::string logPath;
  RunSettings settings;
  double connectSeconds = 5, timeoutSeconds = 10;
  app.add_option("--jobs", settings.jobs, "Targets served at a time (1 to 256, default 32)")
      ->check(CLI::Range(1, 256));
  app.add_option("--connect-timeout", connectSeconds,
                 "Seconds a network printer has to accept the connection (default 5)")
      ->check(CLI::Range(0.1, 3600.0));
  app.add_option("--timeout", timeoutSeconds,
                 "Seconds one send may take as a whole: connect, bytes and the printer's close "
                 "on the network, the write on a COM port (default 10)")
      ->check(CLI::Range(0.1, 3600.0));
  app.add_option("--log", logPath,
                 "Append every line, with the time, the bytes (keys and PINs masked) and the "
                 "decoded command names, to FILE");

  std::string profilePath;
  std::vector<std::string> targets, only;
  bool dryRun = false;
  CLI::App* apply = app.add_subcommand("apply", "Send a profile's settings to one or more printers");
  apply->add_option("profile", profilePath, "Profile file (UTF-8 INI)")->required();
  apply->add_option("--to", targets, "Target: com:COM3[:9600,8,N,1], lpt:LPT1, queue:NAME, ip:ADDRESS, usb, usb:PATH");
  apply->add_option("--only", only, "Only these pages (Panel,BID,Ethernet,WiFi,Bluetooth,Serial,UserDefine)")->delimiter(',');
  apply->add_flag("--dry-run", dryRun, "Print what would be sent (hex and decoded); open nothing");

  std::string hex;
  std::vector<std::string> hexTargets;
  CLI::App* sendHex = app.add_subcommand("send-hex", "Send raw bytes given in hex");
  sendHex->add_option("bytes", hex, "Bytes, e.g. \"1F 48\"")->required();
  sendHex->add_option("--to", hexTargets, "Target (as for apply)")->required();

  std::string networkTarget;
  CLI::App* getNetwork = app.add_subcommand("get-network", "Ask a USB printer for its network settings");
  getNetwork->add_option("--to", networkTarget, "usb or usb:PATH")->required();

  CLI::App* list = app.add_subcommand("list", "List the ports, printer queues and USB printers");
  // Options of the program (--log) may also stand after a command's own.
  for (CLI::App* command : {apply, sendHex, getNetwork, list}) command->fallthrough();

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    app.exit(e);  // --help, --version
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  if (apply->parsed() && !dryRun && targets.empty()) {
    std::fprintf(stderr, "apply: give at least one --to TARGET (or --dry-run)\n");
    return kExitUsage;
  }
  if (!logPath.empty()) {
    // The log is appended to, but never to a file this run reads.
    if (apply->parsed() && cmdline::SameFile(logPath, profilePath)) {
      out.Error("--log: " + logPath + " is the profile being applied; choose another file");
      return kExitInput;
    }
    out.SetLogPath(logPath);
  }
  int result = kExitUsage;
  settings.connectLimitMs = static_cast<DWORD>(connectSeconds * 1000 + 0.5);
  settings.exchangeLimitMs = static_cast<DWORD>(timeoutSeconds * 1000 + 0.5);
  if (apply->parsed()) result = Apply(profilePath, targets, only, dryRun, settings);
  if (sendHex->parsed()) result = SendHex(hex, hexTargets, settings);
  if (getNetwork->parsed()) result = GetNetwork(networkTarget);
  if (list->parsed()) result = List();
  // An input error ends the run before the log opened: it still gets the lines.
  std::string ignored;
  out.OpenLog(&ignored);
  return result;
}

}  // namespace

// Arguments arrive as UTF-16 and are handed on as UTF-8.
int wmain(int argc, wchar_t** wargv) {
  try {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(WideToUtf8(wargv[i]));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return Run(argc, argv.data());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "SetwrightCmd: %s\n", e.what());
    return kExitInput;
  } catch (...) {
    std::fprintf(stderr, "SetwrightCmd: unexpected failure\n");
    return kExitInput;
  }
}
