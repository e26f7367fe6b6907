#include "settings/Encoders.h"


namespace commands {

const char kPageTopNumberErr[] = "PO_GSTR_PAGETOP_NUMBER_ERR";
const char kPageTopOverErr[] = "PO_GSTR_PAGETOP_NUMBER_OVER_ERR";
const char kLeftSpaceNumberErr[] = "PO_GSTR_LEFT_SPACE_NUMBER_ERR";
const char kLeftSpaceOverErr[] = "PO_GSTR_LEFT_SPACE_NUMBER_OVER_ERR";
const char kBidNumberErr[] = "PO_GSTR_BID_NUMBER_ERR";
const char kBidOverErr[] = "PO_GSTR_BID_NUMBER_OVER_ERR";
const char kUserPageLengthNumberErr[] = "PO_GSTR_USER_PAGE_LENGTH_NUMBER_ERR";
const char kUserPageLengthOverErr[] = "PO_GSTR_USER_PAGE_LENGTH_OVER_ERR";
const char kMacNumberErr[] = "PO_GSTR_MAC_NUMBER_ERR";
const char kAddressFirstPartErr[] = "PO_GSTR_INVALID_IP_FIRST_PART";
const char kAddressLoopbackErr[] = "PO_GSTR_INVALID_IP_FIRST_PART_127";
const char kWifiSsidEmptyErr[] = "PO_GSTR_WIFI_SSID_EMPTY_ERR";
const char kWifiPskKeyErr[] = "PO_GSTR_WIFI_PSKKEY_ERR";
const char kWifiWepKeyErr[] = "PO_GSTR_WIFI_WEP_KEY_ERR";
const char kWifiSsidTooLongErr[] = "PO_GSTR_WIFI_SSID_TOO_LONG_ERR";
const char kWifiKeyTooLongErr[] = "PO_GSTR_WIFI_KEY_TOO_LONG_ERR";
const char kWifiCommandTooLongErr[] = "PO_GSTR_WIFI_COMMAND_TOO_LONG_ERR";
const char kBluetoothNameEmptyErr[] = "PO_GSTR_BLUETOOTH_DEV_NAME_EMPTY_ERR";
const char kBluetoothPinEmptyErr[] = "PO_GSTR_BLUETOOTH_PIN_EMPTY_ERR";
const char kBluetoothPinFormatErr[] = "PO_GSTR_MQP_PIN_FORMAT_ERR";
const char kTextNotSendableErr[] = "PO_GSTR_TEXT_NOT_SENDABLE";

namespace {

Encoded Fail(const char* key) {
  Encoded result;
  result.errorKey = key;
  return result;
}

Encoded Done(const CommandBuffer& buffer) {
  Encoded result;
  result.bytes = buffer.Written();
  return result;
}

Encoded Bytes(std::vector<unsigned char> bytes) {
  Encoded result;
  result.bytes = std::move(bytes);
  return result;
}

// Reads a numeric entry; on a bad value returns the key of its message.
const char* CheckNumber(const std::string& text, unsigned limit, const char* numberKey,
                        const char* overKey, unsigned* value) {
  NumberField field = ReadNumberField(text, limit);
  if (field.status == NumberStatus::NotNumber) return numberKey;
  if (field.status == NumberStatus::OutOfRange) return overKey;
  *value = field.value;
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------

Encoded EncodePanelCommands(const PanelInput& in) {
  CommandBuffer buffer(kPageBufferBytes);
  if (in.pinBroken) {
    AppendPrefix(buffer, kUs, 'E');
    if (in.pinEnable == 0) {
      AppendByte(buffer, 0x00);
      AppendByte(buffer, 0x00);
    } else {
      AppendByte(buffer, 0x01);
      // The first list item (pins 1-12) is code 2, the second code 1.
      AppendByte(buffer, in.pinGroup == 0 ? 0x02 : 0x01);
    }
  }
  if (in.pageTop) {
    AppendPrefix(buffer, kDle, 'D');
    AppendSelection(buffer, in.pageTopSide);
    unsigned mm = 0;
    if (const char* key =
            CheckNumber(in.pageTopMm, kPageTopLimitMm, kPageTopNumberErr, kPageTopOverErr, &mm)) {
      return Fail(key);
    }
    AppendWord(buffer, static_cast<unsigned>(MillimetresToDotsRounded(static_cast<int>(mm))));
  }
  if (in.tableAuto) {
    AppendPrefix(buffer, kUs, 'F');
    AppendSelection(buffer, in.tableAutoIndex);
  }
  if (in.lineFeed) {
    AppendPrefix(buffer, kDle, 'A');
    // The list shows 1/3 before 1/6 inch; their codes are the other way round.
    int code = in.lineFeedIndex;
    if (code == 0) {
      code = 1;
    } else if (code == 1) {
      code = 0;
    }
    AppendByte(buffer, static_cast<unsigned>(code));
  }
  if (in.direction) {
    AppendPrefix(buffer, kDle, 'B');
    AppendSelection(buffer, in.directionIndex);
  }
  if (in.pageLength) {
    AppendPrefix(buffer, kDle, 'E');
    AppendByte(buffer, in.pageLengthEnable == 0 ? 0xFFu : static_cast<unsigned>(in.pageSizeIndex));
  }
  if (in.leftSpace) {
    AppendPrefix(buffer, kUs, 'q');
    unsigned value = 0;
    if (const char* key = CheckNumber(in.leftSpaceValue, kLeftSpaceLimit, kLeftSpaceNumberErr,
                                      kLeftSpaceOverErr, &value)) {
      return Fail(key);
    }
    AppendByte(buffer, static_cast<unsigned>(in.leftSpaceDirection));
    AppendByte(buffer, value);
  }
  if (in.compression) {
    AppendPrefix(buffer, kDle, 'H');
    AppendSelection(buffer, in.compressionIndex);
  }
  AppendClosing(buffer);
  return Done(buffer);
}

Encoded EncodeSelfTest() { return Bytes({kUs, 'H'}); }

Encoded EncodeBidCommands(const BidInput& in) {
  CommandBuffer buffer(kPageBufferBytes);
  AppendPrefix(buffer, kUs, 'B');
  unsigned steps = 0;
  if (const char* key = CheckNumber(in.value, kBidLimit, kBidNumberErr, kBidOverErr, &steps)) {
    return Fail(key);
  }
  AppendByte(buffer, static_cast<unsigned>(in.directionIndex));
  AppendByte(buffer, steps);
  AppendClosing(buffer);
  return Done(buffer);
}

Encoded EncodeUserDefCommands(const UserDefInput& in) {
  CommandBuffer buffer(kPageBufferBytes);
  if (in.pageLength) {
    AppendPrefix(buffer, kDle, 'G');
    unsigned mm = 0;
    if (const char* key = CheckNumber(in.pageLengthMm, kUserPageLengthLimitMm,
                                      kUserPageLengthNumberErr, kUserPageLengthOverErr, &mm)) {
      return Fail(key);
    }
    int dots = MillimetresToDotsTruncated(static_cast<int>(mm));
    if (dots < 0 || dots > 0xFFFF) return Fail(kUserPageLengthOverErr);
    AppendWord(buffer, static_cast<unsigned>(dots));
  }
  if (in.leftShift) {
    AppendPrefix(buffer, kUs, 'b');
    AppendSelection(buffer, in.leftShiftIndex);
  }
  AppendClosing(buffer);
  return Done(buffer);
}

Encoded EncodeRestoreFactory() { return Bytes({kUs, 'r', kDle, 'C'}); }

Encoded EncodeSerialCommand(const SerialInput& in) {
  CommandBuffer buffer(kPageBufferBytes);
  AppendPrefix(buffer, kUs, 'K');
  for (int index : {in.baud, in.dataBits, in.parity, in.stopBits, in.handshake}) AppendSelection(buffer, index);
  return Done(buffer);
}

// ---------------------------------------------------------------------------
// Ethernet page.

AddressCheck CheckPrinterAddress(uint32_t address) {
  unsigned first = address >> 24;
  if (first == 0 || first > 223) return AddressCheck::InvalidFirstPart;
  if (first == 127) return AddressCheck::Loopback;
  return AddressCheck::Ok;
}

namespace {
void AppendAddress(CommandBuffer& buffer, uint32_t address) {
  AppendByte(buffer, address >> 24);
  AppendByte(buffer, address >> 16);
  AppendByte(buffer, address >> 8);
  AppendByte(buffer, address);
}
}  // namespace

Encoded EncodeAddressCommands(const AddressInput& in) {
  switch (CheckPrinterAddress(in.address)) {
    case AddressCheck::InvalidFirstPart: {
      Encoded refused = Fail(kAddressFirstPartErr);
      refused.errorLead = std::to_string(in.address >> 24);
      return refused;
    }
    case AddressCheck::Loopback:
      return Fail(kAddressLoopbackErr);
    case AddressCheck::Ok:
      break;
  }
  CommandBuffer buffer(kPageBufferBytes);
  AppendPrefix(buffer, kUs, 'i');
  AppendAddress(buffer, in.address);
  AppendPrefix(buffer, kUs, '%');
  AppendByte(buffer, 0x00);
  AppendAddress(buffer, in.mask);
  AppendPrefix(buffer, kUs, '%');
  AppendByte(buffer, 0x01);
  AppendAddress(buffer, in.gateway);
  return Done(buffer);
}

NumberField ReadMacField(const std::string& text) { return ReadNumberField(text, 255); }

Encoded EncodeMacCommand(const MacInput& in) {
  CommandBuffer buffer(kPageBufferBytes);
  AppendPrefix(buffer, kUs, 'm');
  for (const std::string& part : in.parts) {
    const NumberField field = ReadMacField(part);
    if (field.status != NumberStatus::Ok) return Fail(kMacNumberErr);
    AppendByte(buffer, field.value);
  }
  return Done(buffer);
}

Encoded EncodeDuplexCommand(const DuplexInput& in) {
  // Speed flag, 100 Mbit/s flag, full duplex flag; all zero: auto detect.
  static const unsigned char kModes[5][3] = {
      {1, 1, 1}, {1, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 0}};
  const unsigned char* mode = (in.index >= 0 && in.index < 5) ? kModes[in.index] : kModes[4];
  return Bytes({kUs, 'p', mode[0], mode[1], mode[2]});
}

Encoded EncodeDhcpCommand(const DhcpInput& in) {
  CommandBuffer buffer(kPageBufferBytes);
  AppendPrefix(buffer, kUs, 'b');
  AppendByte(buffer, 0x44);
  AppendSelection(buffer, in.index);
  return Done(buffer);
}

Encoded EncodeReadNetworkRequest() { return Bytes({kUs, 's'}); }

NetworkReply ParseNetworkReply(const unsigned char* reply, size_t length) {
  NetworkReply result;
  if (!reply) return result;
  size_t end = 0;
  while (end < length && reply[end] != 0) ++end;
  std::string text(reinterpret_cast<const char*>(reply), end);
  if (text.size() >= 4) {
    bool dhcp = true;
    const char* word = "DHCP";
    for (size_t i = 0; i < 4; ++i) {
      char c = text[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c != word[i]) dhcp = false;
    }
    if (dhcp) {
      result.dhcp = true;
      return result;
    }
  }
  size_t from = 0;
  for (int piece = 0; piece < 3; ++piece) {
    size_t dash = text.find('-', from);
    if (dash == std::string::npos) return result;
    result.pieces[piece] = text.substr(from, dash - from);
    result.count = piece + 1;
    from = dash + 1;
  }
  result.pieces[3] = text.substr(from);
  result.count = 4;
  return result;
}

bool ParseDottedAddress(const std::string& text, uint32_t* address) {
  uint32_t value = 0;
  size_t pos = 0;
  for (int field = 0; field < 4; ++field) {
    if (field > 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    size_t digits = 0;
    unsigned part = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
      part = part * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0 || part > 255) return false;
    value = (value << 8) | part;
  }
  if (pos != text.size()) return false;
  *address = value;
  return true;
}

std::string DottedAddress(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

// ---------------------------------------------------------------------------
// Wi-Fi page.

Encoded EncodeWifiCommand(const WifiInput& in) {
  if (in.ssid.empty()) return Fail(kWifiSsidEmptyErr);
  if (in.ssid.size() > kWifiFieldMaxBytes) return Fail(kWifiSsidTooLongErr);
  const std::string* key = nullptr;
  if (in.security == WifiSecurity::Wpa) {
    if (in.pskKey.empty()) return Fail(kWifiPskKeyErr);
    key = &in.pskKey;
  } else if (in.security == WifiSecurity::Wep) {
    if (in.wepKey.empty()) return Fail(kWifiWepKeyErr);
    key = &in.wepKey;
  }
  if (key && key->size() > kWifiFieldMaxBytes) return Fail(kWifiKeyTooLongErr);
  // prefix 2 + SSID length 1 + security 3 (+ key) + mode 1.
  size_t total = 7 + in.ssid.size() + (key ? key->size() : 0);
  if (total > kWifiBufferBytes) return Fail(kWifiCommandTooLongErr);

  CommandBuffer buffer(kWifiBufferBytes);
  AppendPrefix(buffer, kUs, 'w');
  AppendByte(buffer, static_cast<unsigned>(in.ssid.size()));
  for (char c : in.ssid) AppendByte(buffer, static_cast<unsigned char>(c));
  if (in.security == WifiSecurity::Open) {
    buffer.Skip(3);
  } else {
    if (in.security == WifiSecurity::Wpa) {
      AppendByte(buffer, in.wpaType == 0 ? 0x02 : 0x03);
      AppendByte(buffer, in.wpaCipher == 0 ? 0x01 : 0x00);
    } else {
      AppendByte(buffer, in.wepAuth == 0 ? 0x00 : 0x01);
      AppendByte(buffer, in.wepAuth == 0 ? 0x01 : 0x00);
    }
    AppendByte(buffer, static_cast<unsigned>(key->size()));
    for (char c : *key) AppendByte(buffer, static_cast<unsigned char>(c));
  }
  AppendByte(buffer, static_cast<unsigned>(in.mode));
  if (buffer.Overflowed()) return Fail(kWifiCommandTooLongErr);
  return Done(buffer);
}

// ---------------------------------------------------------------------------
// Bluetooth page.

std::string CutBluetoothName(const std::string& name, LeadBytePredicate isLeadByte) {
  size_t end = 0;
  while (end < name.size()) {
    size_t width = 1;
    if (isLeadByte && isLeadByte(static_cast<unsigned char>(name[end])) &&
        end + 1 < name.size()) {
      width = 2;
    }
    if (end + width > kBluetoothNameMaxBytes) break;
    end += width;
  }
  return name.substr(0, end);
}

Encoded EncodeBluetoothCommand(const BluetoothInput& in, LeadBytePredicate isLeadByte) {
  const std::string& name = in.name;
  const std::string& pin = in.pin;
  if (name.empty()) return Fail(kBluetoothNameEmptyErr);
  if (pin.empty()) return Fail(kBluetoothPinEmptyErr);
  if (!IsAllDigits(pin)) return Fail(kBluetoothPinFormatErr);

  CommandBuffer buffer(kBluetoothCommandBytes);
  AppendPrefix(buffer, kUs, 'J');
  for (char c : CutBluetoothName(name, isLeadByte)) AppendByte(buffer, static_cast<unsigned char>(c));
  AppendByte(buffer, 0);
  if (pin.size() < kBluetoothPinMinDigits) {
    for (size_t i = pin.size(); i < kBluetoothPinMinDigits; ++i) AppendByte(buffer, '0');
  }
  for (size_t i = 0; i < pin.size() && i < kBluetoothPinMaxDigits; ++i) {
    AppendByte(buffer, static_cast<unsigned char>(pin[i]));
  }
  Encoded result;
  result.bytes = buffer.All();  // the whole 32 bytes, zeros included
  return result;
}

}  // namespace commands
