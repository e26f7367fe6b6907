// The command table: every command a setting page can send, and the two
// requests that expect a reply.
#include "emulator/core/CommandTable.h"

namespace vprinter {
namespace {

#define COUNT(a) static_cast<uint8_t>(sizeof(a) / sizeof((a)[0]))

const ValueName kSpacing[] = {{0, "1/6 inch"}, {1, "1/3 inch"}, {2, "1/8 inch"}, {3, "1/12 inch"}};
const ValueName kDirection[] = {{0, "bidirectional"}, {1, "unidirectional"}};
const ValueName kSide[] = {{0, "front"}, {1, "rear"}};
const ValueName kPageSize[] = {{0, "3 inch"},  {1, "11/3 inch"},   {2, "3.5 inch"}, {3, "4 inch"},
                               {4, "5 inch"},  {5, "5.5 inch"},    {6, "6 inch"},   {7, "7 inch (A4)"},
                               {8, "11 inch"}, {9, "A4"},          {10, "12 inch"}, {11, "14 inch"},
                               {0xFF, "disabled"}};
const ValueName kCompression[] = {{0, "off"}, {1, "80%"}, {2, "75%"}, {3, "60%"}, {4, "50%"}, {5, "auto"}};
const ValueName kShift[] = {{0, "left"}, {1, "right"}};
const ValueName kBaud[] = {{0, "4800"}, {1, "9600"}, {2, "19200"}, {3, "38400"}, {4, "57600"}, {5, "115200"}};
const ValueName kDataBits[] = {{0, "7"}, {1, "8"}};
const ValueName kParity[] = {{0, "none"}, {1, "odd"}, {2, "even"}};
const ValueName kStopBits[] = {{0, "1"}, {1, "2"}};
const ValueName kHandshake[] = {{0, "none"}, {1, "XON/XOFF"}, {2, "hardware"}};
const ValueName kWifiMode[] = {{0, "STA"}, {1, "AP"}};

const FieldLayout kLineSpacing[] = {{"spacing", Arg::Byte, 0, 3, kSpacing, COUNT(kSpacing)}};
const FieldLayout kPrintDirection[] = {{"direction", Arg::Byte, 0, 1, kDirection, COUNT(kDirection)}};
const FieldLayout kPageTop[] = {{"side", Arg::Byte, 0, 1, kSide, COUNT(kSide)},
                              {"dots", Arg::Word, 0, 1417}};
// 0..11 or 0xFF; the describer applies the gap.
const FieldLayout kPageLength[] = {{"size", Arg::Byte, 0, 0xFF, kPageSize, COUNT(kPageSize)}};
const FieldLayout kUserPageLength[] = {{"dots", Arg::Word, 0, 0xFFFF}};
const FieldLayout kPrintCompression[] = {{"ratio", Arg::Byte, 0, 5, kCompression, COUNT(kCompression)}};
const FieldLayout kPinBroken[] = {{"enabled", Arg::Byte, 0, 1, nullptr, 0, false, true},
                                {"group", Arg::Byte, 0, 2}};
const FieldLayout kTableAuto[] = {{"enabled", Arg::Byte, 0, 1, nullptr, 0, false, true}};
const FieldLayout kLeftSpace[] = {{"direction", Arg::Byte, 0, 1, kShift, COUNT(kShift)},
                                {"value", Arg::Byte, 0, 60}};
const FieldLayout kBid[] = {{"direction", Arg::Byte, 0, 1, kShift, COUNT(kShift)},
                          {"value", Arg::Byte, 0, 16}};
const FieldLayout kLeftShift[] = {{"index", Arg::Byte, 0, 12}};
const FieldLayout kDhcp[] = {{nullptr, Arg::Const, 0x44, 0x44},
                           {"enabled", Arg::Byte, 0, 1, nullptr, 0, false, true}};
const FieldLayout kSerial[] = {{"baud", Arg::Byte, 0, 5, kBaud, COUNT(kBaud), true},
                             {"data_bits", Arg::Byte, 0, 1, kDataBits, COUNT(kDataBits), true},
                             {"parity", Arg::Byte, 0, 2, kParity, COUNT(kParity)},
                             {"stop_bits", Arg::Byte, 0, 1, kStopBits, COUNT(kStopBits), true},
                             {"handshake", Arg::Byte, 0, 2, kHandshake, COUNT(kHandshake)}};
const FieldLayout kIpAddress[] = {{"address", Arg::Ipv4, 0, 0}};
const FieldLayout kSubnetMask[] = {{nullptr, Arg::Const, 0, 0}, {"address", Arg::Ipv4, 0, 0}};
const FieldLayout kGateway[] = {{nullptr, Arg::Const, 1, 1}, {"address", Arg::Ipv4, 0, 0}};
// Any other selector: framed so the stream stays in step, never valid.
const FieldLayout kNetworkAddress[] = {{"selector", Arg::Byte, 2, 1}, {"address", Arg::Ipv4, 0, 0}};
const FieldLayout kMacAddress[] = {{"address", Arg::Mac, 0, 0}};
const FieldLayout kLinkMode[] = {{"fixed", Arg::Byte, 0, 1}, {"fast", Arg::Byte, 0, 1},
                               {"full_duplex", Arg::Byte, 0, 1}};
const FieldLayout kWifi[] = {{"ssid", Arg::Counted, 1, 255},
                           {"security_a", Arg::Byte, 0, 3},
                           {"security_b", Arg::Byte, 0, 1},
                           {"key", Arg::Counted, 0, 255},
                           {"mode", Arg::Byte, 0, 1, kWifiMode, COUNT(kWifiMode)}};
const FieldLayout kBluetooth[] = {{"block", Arg::Block, 0, 0}};
const FieldLayout kModelQuery[] = {{nullptr, Arg::Const, 0x1A, 0x1A},
                                 {nullptr, Arg::Const, 0x04, 0x04},
                                 {nullptr, Arg::Const, 0x01, 0x01},
                                 {nullptr, Arg::Const, 0x00, 0x00}};

// Variants that share a prefix and letter are told apart by their leading
// Const field; the variant without one comes last and takes the rest.
const CommandLayout kCommands[] = {
    {kDle, 'C', "close", nullptr, 0, Meaning::None},
    {kDle, 'A', "line_spacing", kLineSpacing, COUNT(kLineSpacing), Meaning::None},
    {kDle, 'B', "print_direction", kPrintDirection, COUNT(kPrintDirection), Meaning::None},
    {kDle, 'D', "page_top", kPageTop, COUNT(kPageTop), Meaning::PageTop},
    {kDle, 'E', "page_length", kPageLength, COUNT(kPageLength), Meaning::PageLength},
    {kDle, 'G', "user_page_length", kUserPageLength, COUNT(kUserPageLength), Meaning::UserPageLength},
    {kDle, 'H', "print_compression", kPrintCompression, COUNT(kPrintCompression), Meaning::None},
    {kUs, 'E', "pin_broken", kPinBroken, COUNT(kPinBroken), Meaning::PinBroken},
    {kUs, 'F', "table_auto", kTableAuto, COUNT(kTableAuto), Meaning::None},
    {kUs, 'q', "left_space", kLeftSpace, COUNT(kLeftSpace), Meaning::None},
    {kUs, 'H', "self_test", nullptr, 0, Meaning::None},
    {kUs, 'B', "bid", kBid, COUNT(kBid), Meaning::None},
    {kUs, 'b', "dhcp", kDhcp, COUNT(kDhcp), Meaning::None},
    {kUs, 'b', "left_shift", kLeftShift, COUNT(kLeftShift), Meaning::LeftShift},
    {kUs, 'r', "factory_restore", nullptr, 0, Meaning::None},
    {kUs, 'K', "serial", kSerial, COUNT(kSerial), Meaning::None},
    {kUs, 'i', "ip_address", kIpAddress, COUNT(kIpAddress), Meaning::IpAddress},
    {kUs, '%', "subnet_mask", kSubnetMask, COUNT(kSubnetMask), Meaning::None},
    {kUs, '%', "gateway", kGateway, COUNT(kGateway), Meaning::None},
    {kUs, '%', "network_address", kNetworkAddress, COUNT(kNetworkAddress), Meaning::None},
    {kUs, 'm', "mac_address", kMacAddress, COUNT(kMacAddress), Meaning::None},
    {kUs, 'p', "link_mode", kLinkMode, COUNT(kLinkMode), Meaning::LinkMode},
    {kUs, 's', "read_network_settings", nullptr, 0, Meaning::None},
    {kUs, 'w', "wifi", kWifi, COUNT(kWifi), Meaning::Wifi},
    {kUs, 'J', "bluetooth", kBluetooth, COUNT(kBluetooth), Meaning::Bluetooth},
    {kUs, 0x1B, "model_name_query", kModelQuery, COUNT(kModelQuery), Meaning::None},
};

}  // namespace

const CommandLayout* Commands() { return kCommands; }
size_t CommandCount() { return sizeof(kCommands) / sizeof(kCommands[0]); }

const char* ValueNameOf(const FieldLayout& field, unsigned value) {
  for (uint8_t i = 0; i < field.nameCount; ++i) {
    if (field.names[i].value == value) return field.names[i].name;
  }
  return nullptr;
}

}  // namespace vprinter
