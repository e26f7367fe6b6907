// The command bytes of every setting page, built from plain values (ticks,
// list indices, entry texts in the ANSI code page), and the parser of the
// Ethernet page's read-back reply. Platform-free, so the encodings can be
// tested byte by byte without a window and fuzzed natively.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "settings/CommandFrame.h"

namespace commands {

// What every encoder answers: the bytes of one send, or the translation key
// of the input error that stops it (then bytes is empty: a rejected input
// sends nothing at all). errorLead stands in front of the key's text where
// the message names the bad value (the first part of an address).
struct Encoded {
  std::vector<unsigned char> bytes;
  const char* errorKey = nullptr;
  std::string errorLead;
  bool Ok() const { return errorKey == nullptr; }
};

// Keys of the input errors.
extern const char kPageTopNumberErr[];
extern const char kPageTopOverErr[];
extern const char kLeftSpaceNumberErr[];
extern const char kLeftSpaceOverErr[];
extern const char kBidNumberErr[];
extern const char kBidOverErr[];
extern const char kUserPageLengthNumberErr[];
extern const char kUserPageLengthOverErr[];
extern const char kMacNumberErr[];
extern const char kAddressFirstPartErr[];      // shown behind the bad first part
extern const char kAddressLoopbackErr[];
extern const char kWifiSsidEmptyErr[];
extern const char kWifiPskKeyErr[];
extern const char kWifiWepKeyErr[];
extern const char kWifiSsidTooLongErr[];
extern const char kWifiKeyTooLongErr[];
extern const char kWifiCommandTooLongErr[];
extern const char kBluetoothNameEmptyErr[];
extern const char kBluetoothPinEmptyErr[];
extern const char kBluetoothPinFormatErr[];
// A typed text has characters the ANSI code page cannot carry.
extern const char kTextNotSendableErr[];

// Limits of the numeric entries.
constexpr unsigned kPageTopLimitMm = 100;
constexpr unsigned kLeftSpaceLimit = 60;
constexpr unsigned kBidLimit = 16;
// The largest page length whose dot count still fits two bytes.
constexpr unsigned kUserPageLengthLimitMm = 4623;

// ---------------------------------------------------------------------------
// Panel page. Indices are those of the page's lists.
struct PanelInput {
  bool pinBroken = false;
  int pinEnable = 0;  // 0 Disable, 1 Enable
  int pinGroup = 0;   // 0 "1-12 Pin Broken", 1 "13-24 Pin Broken"
  bool pageTop = false;
  int pageTopSide = 0;  // 0 front, 1 rear
  std::string pageTopMm = "0";
  bool tableAuto = false;
  int tableAutoIndex = 0;
  bool lineFeed = false;
  int lineFeedIndex = 1;  // 0 1/3, 1 1/6, 2 1/8, 3 1/12 inch
  bool direction = false;
  int directionIndex = 0;
  bool pageLength = false;
  int pageLengthEnable = 0;
  int pageSizeIndex = 0;
  bool leftSpace = false;
  std::string leftSpaceValue = "0";
  int leftSpaceDirection = 0;
  bool compression = false;
  int compressionIndex = 0;

  bool AnyTicked() const {
    return pinBroken || pageTop || tableAuto || lineFeed || direction || pageLength ||
           leftSpace || compression;
  }
};
// The ticked settings in their fixed order, then the closing command.
Encoded EncodePanelCommands(const PanelInput& input);
// The self test command alone.
Encoded EncodeSelfTest();

// BID page (sent only while its box is ticked).
struct BidInput {
  std::string value = "0";
  int directionIndex = 0;  // 0 shift left, 1 shift right
};
Encoded EncodeBidCommands(const BidInput& input);

// User-defined page.
struct UserDefInput {
  bool pageLength = false;
  std::string pageLengthMm = "0";
  bool leftShift = false;
  int leftShiftIndex = 0;
};
Encoded EncodeUserDefCommands(const UserDefInput& input);
Encoded EncodeRestoreFactory();

// Serial page: the five list indices.
struct SerialInput {
  int baud = 1;  // 9600
  int dataBits = 1;  // 8 bits
  int parity = 0;
  int stopBits = 0;
  int handshake = 0;
};
Encoded EncodeSerialCommand(const SerialInput& input);

// Ethernet page. Addresses are 32-bit numbers, first field in the top byte.
enum class AddressCheck { Ok, InvalidFirstPart, Loopback };
AddressCheck CheckPrinterAddress(uint32_t address);
struct AddressInput {
  uint32_t address = 0xC0A80157;  // 192.168.1.87
  uint32_t mask = 0xFFFFFF00;
  uint32_t gateway = 0xC0A80101;
};
// Refuses a printer address whose first part is 0, above 223 or 127; mask
// and gateway are sent as they are.
Encoded EncodeAddressCommands(const AddressInput& input);
// One MAC entry: 0..255 in decimal digits, else NotNumber / OutOfRange.
NumberField ReadMacField(const std::string& text);
struct MacInput {
  std::string parts[6] = {"0", "0", "0", "0", "0", "0"};
};
// The 8-byte MAC command; every part must be 0..255.
Encoded EncodeMacCommand(const MacInput& input);
struct DuplexInput {
  int index = 0;  // an item of the duplex list; another value is auto detect
};
// The 5-byte link mode command.
Encoded EncodeDuplexCommand(const DuplexInput& input);
struct DhcpInput {
  int index = 0;  // 0 disable, 1 enable
};
Encoded EncodeDhcpCommand(const DhcpInput& input);
Encoded EncodeReadNetworkRequest();

// The read-back reply: "DHCP..." (any case), or address-port-mask-gateway.
struct NetworkReply {
  bool dhcp = false;
  // Pieces in reply order: address, port, mask, gateway; only the first
  // `count` were present (a piece counts when its separator was found; the
  // gateway is all text after the third separator).
  std::string pieces[4];
  int count = 0;
};
// reply: the bytes read (length bytes at most); the text ends at the first zero.
NetworkReply ParseNetworkReply(const unsigned char* reply, size_t length);
// Dotted IPv4 text ("192.168.0.20") to a 32-bit number; false if malformed.
bool ParseDottedAddress(const std::string& text, uint32_t* address);
// A 32-bit address as dotted text.
std::string DottedAddress(uint32_t address);

// Wi-Fi page.
enum class WifiSecurity { Open, Wpa, Wep };  // Wep also when no choice is ticked
struct WifiInput {
  std::string ssid;  // ANSI bytes
  WifiSecurity security = WifiSecurity::Wep;
  int wpaType = 0;    // 0 WPA-PSK, 1 WPA2-PSK
  int wpaCipher = 0;  // 0 AES, 1 TPIK
  std::string pskKey;
  int wepAuth = 0;  // 0 OPEN, 1 SHARE
  std::string wepKey;
  int mode = 0;  // 0 STA, 1 AP
};
constexpr size_t kWifiFieldMaxBytes = 255;
Encoded EncodeWifiCommand(const WifiInput& input);

// Bluetooth page. isLeadByte tells whether a byte starts a two-byte
// character of the ANSI code page (null: a single-byte code page).
using LeadBytePredicate = bool (*)(unsigned char byte);
constexpr size_t kBluetoothNameMaxBytes = 15;
// A shorter PIN is sent with leading zeros; the command holds no more digits.
constexpr size_t kBluetoothPinMinDigits = 4;
constexpr size_t kBluetoothPinMaxDigits = 14;
struct BluetoothInput {
  std::string name = "bluetooth";  // ANSI bytes
  std::string pin = "5291";
};
// The name cut to at most 15 bytes without splitting a two-byte character.
std::string CutBluetoothName(const std::string& name, LeadBytePredicate isLeadByte);
// Always 32 bytes on success: a longer name and PIN are cut.
Encoded EncodeBluetoothCommand(const BluetoothInput& input, LeadBytePredicate isLeadByte);
// The same from the two texts (kept while callers move to BluetoothInput).
inline Encoded EncodeBluetoothCommand(const std::string& name, const std::string& pin,
                                      LeadBytePredicate isLeadByte) {
  return EncodeBluetoothCommand(BluetoothInput{name, pin}, isLeadByte);
}

}  // namespace commands
