#include "settings/PageLists.h"

namespace pagelists {
namespace {

template <size_t N>
constexpr List Of(const Item (&items)[N]) {
  return List{items, N};
}

constexpr Item kDisableEnableItems[] = {{"PO_GSTR_DISABLE", nullptr}, {"PO_GSTR_ENABLE", nullptr}};
constexpr Item kPinGroupItems[] = {{"PO_GSTR_1_12_PIN", nullptr}, {"PO_GSTR_13_24_PIN", nullptr}};
constexpr Item kLineSpacingItems[] = {{"PO_GSTR_1_3_INCH", nullptr},
                                      {"PO_GSTR_1_6_INCH", nullptr},
                                      {"PO_GSTR_1_8_INCH", nullptr},
                                      {"PO_GSTR_1_12_INCH", nullptr}};
constexpr Item kDirectionItems[] = {{"PO_GSTR_BINDIRECTIONAL", nullptr, "Bidirectional"},
                                    {"PO_GSTR_UNIDIRECTIONAL", nullptr, "Unidirectional"}};
constexpr Item kTopSideItems[] = {{"PO_GSTR_FRONT", nullptr}, {"PO_GSTR_REAR", nullptr}};
constexpr Item kPageSizeItems[] = {
    {"PO_GSTR_3_INCH", nullptr},  {"PO_GSTR_11_3_INCH", nullptr}, {"PO_GSTR_3_5_INCH", nullptr},
    {"PO_GSTR_4_INCH", nullptr},  {"PO_GSTR_5_INCH", nullptr},    {"PO_GSTR_5_5_INCH", nullptr},
    {"PO_GSTR_6_INCH", nullptr},  {"PO_GSTR_7_INCH", nullptr},    {"PO_GSTR_11_INCH", nullptr},
    {"PO_GSTR_A4_INCH", nullptr}, {"PO_GSTR_12_INCH", nullptr},   {"PO_GSTR_14_INCH", nullptr}};
constexpr Item kShiftDirectionItems[] = {{"PO_GSTR_BID_SHIFT_LEFT", nullptr},
                                         {"PO_GSTR_BID_SHIFT_RIGHT", nullptr}};
constexpr Item kCompressionItems[] = {{"PO_GSTR_OFF", nullptr}, {nullptr, L"80%"},
                                      {nullptr, L"75%"},        {nullptr, L"60%"},
                                      {nullptr, L"50%"},        {"PO_GSTR_AUTO", nullptr}};
constexpr Item kDuplexItems[] = {{nullptr, L"100Mbps Full Duplex"},
                                 {nullptr, L"100Mbps Half Duplex"},
                                 {nullptr, L"10Mbps Full Duplex"},
                                 {nullptr, L"10Mbps Half Duplex"},
                                 {nullptr, L"Auto Detect"}};
constexpr Item kDhcpItems[] = {{nullptr, L"Disable"}, {nullptr, L"Enable"}};
constexpr Item kWifiModeItems[] = {{nullptr, L"STA"}, {nullptr, L"AP"}};
constexpr Item kWpaTypeItems[] = {{nullptr, L"WPA-PSK"}, {nullptr, L"WPA2-PSK"}};
constexpr Item kWpaCipherItems[] = {{nullptr, L"AES"}, {nullptr, L"TPIK"}};
constexpr Item kWepAuthItems[] = {{nullptr, L"OPEN"}, {nullptr, L"SHARE"}};
constexpr Item kBaudItems[] = {{nullptr, L"4800"},  {nullptr, L"9600"},  {nullptr, L"19200"},
                               {nullptr, L"38400"}, {nullptr, L"57600"}, {nullptr, L"115200"}};
constexpr Item kDataBitsItems[] = {{nullptr, L"7 bits"}, {nullptr, L"8 bits"}};
constexpr Item kParityItems[] = {{nullptr, L"None"}, {nullptr, L"Odd"}, {nullptr, L"Even"}};
constexpr Item kStopBitsItems[] = {{nullptr, L"1 bit"}, {nullptr, L"2 bits"}};
constexpr Item kHandshakeItems[] = {{nullptr, L"None"}, {nullptr, L"XON/XOFF"}, {nullptr, L"Hardware"}};
constexpr Item kLeftShiftItems[] = {{nullptr, L"0"},  {nullptr, L"10"},  {nullptr, L"20"},
                                    {nullptr, L"30"}, {nullptr, L"40"},  {nullptr, L"50"},
                                    {nullptr, L"60"}, {nullptr, L"70"},  {nullptr, L"80"},
                                    {nullptr, L"90"}, {nullptr, L"100"}, {nullptr, L"110"},
                                    {nullptr, L"120"}};

}  // namespace

const List kDisableEnable = Of(kDisableEnableItems);
const List kPinGroup = Of(kPinGroupItems);
const List kLineSpacing = Of(kLineSpacingItems);
const List kDirection = Of(kDirectionItems);
const List kTopSide = Of(kTopSideItems);
const List kPageSize = Of(kPageSizeItems);
const List kShiftDirection = Of(kShiftDirectionItems);
const List kCompression = Of(kCompressionItems);
const List kDuplex = Of(kDuplexItems);
const List kDhcp = Of(kDhcpItems);
const List kWifiMode = Of(kWifiModeItems);
const List kWpaType = Of(kWpaTypeItems);
const List kWpaCipher = Of(kWpaCipherItems);
const List kWepAuth = Of(kWepAuthItems);
const List kBaud = Of(kBaudItems);
const List kDataBits = Of(kDataBitsItems);
const List kParity = Of(kParityItems);
const List kStopBits = Of(kStopBitsItems);
const List kHandshake = Of(kHandshakeItems);
const List kLeftShift = Of(kLeftShiftItems);

}  // namespace pagelists
