// SetwrightCmd: Setwright's settings without a window. It reads a profile
// with the same rules as Setwright's Load profile, builds the bytes with the
// same encoders and sends them through the same transports; the transports
// report through a reporter that writes lines on standard error instead of
// showing message boxes.
//
// Exit codes: 0 every send succeeded; 1 profile or argument error, nothing
// sent; 2 at least one send failed; 3 usage.
#include <winsock2.h>
#include <windows.h>
#include <winspool.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/PortLists.h"
#include "common/Globals.h"
#include "common/UniqueResource.h"
#include "emulator/core/Decoder.h"
#include "emulator/core/Describe.h"
#include "settings/Encoders.h"
#include "settings/PageControls.h"
#include "settings/Profile.h"
#include "settings/ProfileFiles.h"
#include "transport/Device.h"
#include "transport/PortNames.h"
#include "transport/USBDevice.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitInput = 1;
constexpr int kExitSendFailed = 2;
constexpr int kExitUsage = 3;

// ---------------------------------------------------------------------------
// Output: lines on standard output, copied to the log file when there is one.

class Output {
 public:
  bool OpenLog(const std::string& path) {
    log_ = std::fopen(path.c_str(), "wb");
    return log_ != nullptr;
  }
  ~Output() {
    if (log_) std::fclose(log_);
  }
  void Line(const std::string& text) {
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
    LogOnly(text);
  }
  void LogOnly(const std::string& text) {
    if (log_) {
      std::fprintf(log_, "%s\n", text.c_str());
      std::fflush(log_);
    }
  }
  void Error(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    LogOnly(text);
  }

 private:
  std::FILE* log_ = nullptr;
};

Output out;

// The transports' reports as lines on standard error; the last failure is
// kept for the send's result line.
class LineReporter : public TransportReporter {
 public:
  void Report(HWND, const char* key, bool success) override {
    if (success) return;
    lastError = profile::EnglishText(key);
    out.Error("  " + target + ": " + lastError);
  }
  std::string target;
  std::string lastError;
};

LineReporter reporter;

// ---------------------------------------------------------------------------
// Targets.

struct Target {
  std::string text;  // as given
  TransportSelection selection{};
  wchar_t address[kPrinterAddressChars] = {};
  DCB serial{};
};

std::wstring Widen(const std::string& utf8) { return Utf8ToWide(utf8); }

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool SetName(Target& target, const std::wstring& name) {
  if (name.empty() || name.size() >= kTransportNameChars) return false;
  wcsncpy(target.selection.name, name.c_str(), kTransportNameChars - 1);
  return true;
}

// "9600,8,N,1": baud, data bits (7 or 8), parity (N, O, E), stop bits (1 or 2).
bool ParseSerial(const std::string& text, DCB* dcb) {
  unsigned baud = 0, bits = 0, stop = 0;
  char parity = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%u,%u,%c,%u%c", &baud, &bits, &parity, &stop, &tail) != 4) return false;
  if (baud == 0 || (bits != 7 && bits != 8) || (stop != 1 && stop != 2)) return false;
  std::memset(dcb, 0, sizeof(*dcb));
  dcb->DCBlength = sizeof(*dcb);
  dcb->BaudRate = baud;
  dcb->ByteSize = static_cast<BYTE>(bits);
  dcb->fBinary = TRUE;
  dcb->fDtrControl = DTR_CONTROL_ENABLE;
  dcb->fRtsControl = RTS_CONTROL_ENABLE;
  dcb->StopBits = stop == 1 ? ONESTOPBIT : TWOSTOPBITS;
  switch (parity) {
    case 'N': case 'n': dcb->Parity = NOPARITY; break;
    case 'O': case 'o': dcb->Parity = ODDPARITY; dcb->fParity = TRUE; break;
    case 'E': case 'e': dcb->Parity = EVENPARITY; dcb->fParity = TRUE; break;
    default: return false;
  }
  return true;
}

bool IsPortNumberName(const std::string& name, const char* kind) {
  if (name.size() < 4 || name.size() > 6) return false;
  for (size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != kind[i]) return false;
  }
  for (size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

// Reads a target; false with a reason when it is malformed or names no
// printer that exists (a queue that is not installed, no USB printer).
bool ParseTarget(const std::string& text, Target* target, std::string* why) {
  target->text = text;
  if (StartsWith(text, "com:")) {
    std::string rest = text.substr(4);
    size_t colon = rest.find(':');
    std::string name = rest.substr(0, colon);
    std::string settings = colon == std::string::npos ? "9600,8,N,1" : rest.substr(colon + 1);
    if (!IsPortNumberName(name, "COM")) return *why = "not a COM port name: " + name, false;
    if (!ParseSerial(settings, &target->serial)) {
      return *why = "serial settings must read like 9600,8,N,1: " + settings, false;
    }
    target->selection.kind = Com;
    return SetName(*target, Widen(name));
  }
  if (StartsWith(text, "lpt:")) {
    std::string name = text.substr(4);
    if (!IsPortNumberName(name, "LPT")) return *why = "not an LPT port name: " + name, false;
    target->selection.kind = Lpt;
    return SetName(*target, Widen(name));
  }
  if (StartsWith(text, "queue:")) {
    std::wstring name = Widen(text.substr(6));
    if (!SetName(*target, name)) return *why = "a queue name is missing or too long", false;
    HANDLE printer = nullptr;
    if (!::OpenPrinterW(&name[0], &printer, nullptr) || printer == nullptr) {
      return *why = "no installed printer queue of that name", false;
    }
    UniquePrinter owned(printer);
    target->selection.kind = PrinterDriver;
    return true;
  }
  if (StartsWith(text, "ip:")) {
    std::string address = text.substr(3);
    uint32_t value = 0;
    if (!commands::ParseDottedAddress(address, &value) || value == 0) {
      return *why = "not an IPv4 address: " + address, false;
    }
    target->selection.kind = Ethernet;
    std::wstring wide = Widen(address);
    wcsncpy(target->address, wide.c_str(), kPrinterAddressChars - 1);
    return true;
  }
  if (text == "usb") {
    wchar_t path[kUsbPathChars] = {};
    if (!FindUsbPrinter(path)) return *why = "no supported USB printer is connected", false;
    target->selection.kind = Usb;
    return SetName(*target, path);
  }
  if (StartsWith(text, "usb:")) {
    target->selection.kind = Usb;
    if (!SetName(*target, Widen(text.substr(4)))) return *why = "a USB device path is missing or too long", false;
    return true;
  }
  *why = "a target is com:PORT[:BAUD,BITS,PARITY,STOP], lpt:PORT, queue:NAME, ip:ADDRESS, usb or usb:PATH";
  return false;
}

// Sends one buffer to a target through the transports; the reporter tells why it failed.
bool SendTo(Target& target, const std::vector<unsigned char>& bytes) {
  CurrentSelection = &target.selection;
  PrinterAddressText = target.address;
  StoredSerialSettings = target.selection.kind == Com ? &target.serial : nullptr;
  reporter.target = target.text;
  reporter.lastError.clear();
  int sent = bytes.empty() ? 0 : SendCommand(bytes.data(), static_cast<int>(bytes.size()), 0);
  CurrentSelection = nullptr;
  PrinterAddressText = nullptr;
  StoredSerialSettings = nullptr;
  return sent != 0;
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

std::string Hex(const std::vector<unsigned char>& bytes) { return vprinter::HexBytes(bytes.data(), bytes.size()); }

// ---------------------------------------------------------------------------
// Sending a list of groups to every target, with the summary.

struct Group {
  std::string name;
  std::vector<unsigned char> bytes;
};

int SendGroups(std::vector<Target>& targets, const std::vector<Group>& groups) {
  struct Tally {
    int sends = 0, failed = 0;
  };
  std::vector<Tally> tallies(targets.size());
  for (size_t t = 0; t < targets.size(); ++t) {
    for (const Group& group : groups) {
      bool ok = SendTo(targets[t], group.bytes);
      ++tallies[t].sends;
      if (!ok) ++tallies[t].failed;
      std::string line = targets[t].text + "\t" + group.name + "\t" + std::to_string(group.bytes.size()) +
                         " bytes\t" + (ok ? "ok" : "FAILED: " + (reporter.lastError.empty() ? std::string("not sent") : reporter.lastError));
      out.Line(line);
      out.LogOnly("  " + Hex(group.bytes) + "\n  commands: " + DecodedNames(group.bytes));
    }
  }
  bool anyFailed = false;
  out.Line("");
  out.Line("summary: target, sends, failed, result");
  for (size_t t = 0; t < targets.size(); ++t) {
    bool failed = tallies[t].failed > 0;
    anyFailed = anyFailed || failed;
    out.Line(targets[t].text + "\t" + std::to_string(tallies[t].sends) + "\t" +
             std::to_string(tallies[t].failed) + "\t" + (failed ? "FAILED" : "ok"));
  }
  return anyFailed ? kExitSendFailed : kExitOk;
}

bool ParseTargets(const std::vector<std::string>& texts, std::vector<Target>* targets) {
  targets->resize(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    std::string why;
    if (!ParseTarget(texts[i], &(*targets)[i], &why)) {
      out.Error("target " + texts[i] + ": " + why);
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Commands.

int Apply(const std::string& path, const std::vector<std::string>& targetTexts,
          const std::vector<std::string>& only, bool dryRun) {
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
    for (const Group& group : groups) {
      out.Line(group.name + "\t" + std::to_string(group.bytes.size()) + " bytes\t" + Hex(group.bytes));
      out.Line("  commands: " + DecodedNames(group.bytes));
    }
    return kExitOk;
  }
  std::vector<Target> targets;
  if (!ParseTargets(targetTexts, &targets)) return kExitInput;
  if (groups.empty()) {
    out.Error(path + ": the profile holds no setting");
    return kExitInput;
  }
  return SendGroups(targets, groups);
}

int SendHex(const std::string& hex, const std::vector<std::string>& targetTexts) {
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
  if (!ParseTargets(targetTexts, &targets)) return kExitInput;
  return SendGroups(targets, {group});
}

int GetNetwork(const std::string& targetText) {
  Target target;
  std::string why;
  if (!ParseTarget(targetText, &target, &why)) {
    out.Error("target " + targetText + ": " + why);
    return kExitInput;
  }
  if (target.selection.kind != Usb) {
    out.Error("get-network: the printer answers over USB only (--to usb or usb:PATH)");
    return kExitInput;
  }
  std::vector<unsigned char> request = commands::EncodeReadNetworkRequest();
  if (!SendTo(target, request)) {
    out.Line(target.text + "\tget-network\tFAILED: " + reporter.lastError);
    return kExitSendFailed;
  }
  unsigned char reply[520] = {};
  unsigned int length = 64;
  reporter.lastError.clear();
  if (!ReadFromUsb(target.selection.name, reply, &length, 1) || length == 0) {
    out.Line(target.text + "\tget-network\tFAILED: no answer from the printer");
    return kExitSendFailed;
  }
  if (length > 64) length = 64;
  commands::NetworkReply parsed = commands::ParseNetworkReply(reply, length);
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
               "Exit codes: 0 all sent, 1 profile or argument error (nothing sent), "
               "2 a send failed, 3 usage."};
  app.require_subcommand(1);
  std::string logPath;
  app.add_option("--log", logPath, "Also write every line, with the bytes and decoded command names, to FILE");

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

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e) == 0 ? kExitOk : kExitUsage;
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  if (apply->parsed() && !dryRun && targets.empty()) {
    std::fprintf(stderr, "apply: give at least one --to TARGET (or --dry-run)\n");
    return kExitUsage;
  }
  if (!logPath.empty() && !out.OpenLog(logPath)) {
    out.Error("--log: cannot create " + logPath);
    return kExitInput;
  }
  SetTransportReporter(&reporter);
  if (apply->parsed()) return Apply(profilePath, targets, only, dryRun);
  if (sendHex->parsed()) return SendHex(hex, hexTargets);
  if (getNetwork->parsed()) return GetNetwork(networkTarget);
  if (list->parsed()) return List();
  return kExitUsage;
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
