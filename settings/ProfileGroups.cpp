#include "settings/ProfileGroups.h"

namespace profile {

namespace {

using commands::WifiSecurity;
namespace pl = pagelists;

// Fields: a list choice, a number as typed (checked by the encoder, which
// answers with one of keys), an address, a text sent as it is, a secret.

template <auto Input, auto Member>
Field Pick(const pl::List& list) {
  Field f;
  f.kind = Kind::Choice;
  f.list = &list;
  f.index = [](const Profile& p) { return (p.*Input).*Member; };
  f.choose = [](Profile& p, int i) { (p.*Input).*Member = i; };
  return f;
}

template <auto Input, auto Member>
std::string& TextOf(Profile& p) {
  return (p.*Input).*Member;
}

Field Typed(std::string& (*at)(Profile&), const char* key1 = nullptr, const char* key2 = nullptr) {
  Field f;
  f.text = at;
  f.keys[0] = key1;
  f.keys[1] = key2;
  return f;
}

template <auto Input, auto Member>
Field Dotted() {
  Field f;
  f.kind = Kind::Address;
  f.address = [](Profile& p) -> uint32_t& { return (p.*Input).*Member; };
  return f;
}

Field Sent(std::string& (*at)(Profile&), const char* noun, size_t maxBytes = 0, const char* unit = nullptr) {
  Field f;
  f.text = at;
  f.noun = noun;
  f.maxBytes = maxBytes;
  f.maxUnit = unit;
  return f;
}

Field Secret(Field f, const char* standIn) {
  f.secret = true;
  f.standIn = standIn;
  return f;
}

Field Only(bool (*condition)(const Profile&), const char* reason, Field f, bool alternative = false) {
  f.applies = condition;
  f.missing = reason;
  f.alternative = alternative;
  return f;
}

template <size_t I>
std::string& MacPart(Profile& p) {
  return p.mac.parts[I];
}

// The Wi-Fi security as one list: "Open", the WPA types, "WEP".
constexpr pl::Item kSecurityItems[] = {
    {nullptr, L"Open"}, {nullptr, L"WPA-PSK"}, {nullptr, L"WPA2-PSK"}, {nullptr, L"WEP"}};
const pl::List kSecurity = {kSecurityItems, 4};

Field Security() {
  Field f;
  f.kind = Kind::Choice;
  f.list = &kSecurity;
  f.index = [](const Profile& p) {
    return p.wifi.security == WifiSecurity::Open ? 0 : p.wifi.security == WifiSecurity::Wpa ? 1 + p.wifi.wpaType : 3;
  };
  f.choose = [](Profile& p, int i) {
    p.wifi.security = i == 0 ? WifiSecurity::Open : i == 3 ? WifiSecurity::Wep : WifiSecurity::Wpa;
    if (p.wifi.security == WifiSecurity::Wpa) p.wifi.wpaType = i - 1;
  };
  return f;
}
bool IsWpa(const Profile& p) { return p.wifi.security == WifiSecurity::Wpa; }
bool IsWep(const Profile& p) { return p.wifi.security == WifiSecurity::Wep; }
bool IsKeyed(const Profile& p) { return p.wifi.security != WifiSecurity::Open; }
std::string& WifiKey(Profile& p) { return IsWpa(p) ? p.wifi.pskKey : p.wifi.wepKey; }

// Where an entry's presence is held: a tick of the encoder's input, or the
// group's own flag.
template <auto Input, auto Member>
bool& Tick(Profile& p) {
  return (p.*Input).*Member;
}
template <Group G>
bool& Flag(Profile& p) {
  return p.given[G];
}

}  // namespace

const std::vector<GroupDef>& Groups() {
  using In = Profile;
  using PI = commands::PanelInput;
  using UI = commands::UserDefInput;
  using WI = commands::WifiInput;
  using Lead = commands::LeadBytePredicate;
  static const std::vector<GroupDef> kGroups = {
      {kPanelGroup, "Panel", kPanel,
       {{kPinBrokenEntry, "PinBroken", &Tick<&In::panel, &PI::pinBroken>,
         {Pick<&In::panel, &PI::pinEnable>(pl::kDisableEnable), Pick<&In::panel, &PI::pinGroup>(pl::kPinGroup)}},
        {kPageTopEntry, "PageTop", &Tick<&In::panel, &PI::pageTop>,
         {Pick<&In::panel, &PI::pageTopSide>(pl::kTopSide),
          Typed(&TextOf<&In::panel, &PI::pageTopMm>, commands::kPageTopNumberErr, commands::kPageTopOverErr)}},
        {kTableAutoEntry, "TableAuto", &Tick<&In::panel, &PI::tableAuto>,
         {Pick<&In::panel, &PI::tableAutoIndex>(pl::kDisableEnable)}},
        {kLineSpacingEntry, "LineSpacing", &Tick<&In::panel, &PI::lineFeed>,
         {Pick<&In::panel, &PI::lineFeedIndex>(pl::kLineSpacing)}},
        {kPrintDirectionEntry, "PrintDirection", &Tick<&In::panel, &PI::direction>,
         {Pick<&In::panel, &PI::directionIndex>(pl::kDirection)}},
        {kPageLengthEntry, "PageLength", &Tick<&In::panel, &PI::pageLength>,
         {Pick<&In::panel, &PI::pageLengthEnable>(pl::kDisableEnable),
          Pick<&In::panel, &PI::pageSizeIndex>(pl::kPageSize)}},
        {kLeftSpaceEntry, "LeftSpace", &Tick<&In::panel, &PI::leftSpace>,
         {Pick<&In::panel, &PI::leftSpaceDirection>(pl::kShiftDirection),
          Typed(&TextOf<&In::panel, &PI::leftSpaceValue>, commands::kLeftSpaceNumberErr,
                commands::kLeftSpaceOverErr)}},
        {kCompressionEntry, "Compression", &Tick<&In::panel, &PI::compression>,
         {Pick<&In::panel, &PI::compressionIndex>(pl::kCompression)}}},
       [](const Profile& w, Lead) { return commands::EncodePanelCommands(w.panel); }},
      {kBidGroup, "BID", kBid,
       {{kBidEntry, "BID", &Flag<kBidGroup>,
         {Pick<&In::bid, &commands::BidInput::directionIndex>(pl::kShiftDirection),
          Typed(&TextOf<&In::bid, &commands::BidInput::value>)}}},
       [](const Profile& w, Lead) { return commands::EncodeBidCommands(w.bid); }},
      {kAddressGroup, "Ethernet.Address", kEthernet,
       {{kAddressEntry, "Address", &Flag<kAddressGroup>,
         {Dotted<&In::address, &commands::AddressInput::address>(),
          Dotted<&In::address, &commands::AddressInput::mask>(),
          Dotted<&In::address, &commands::AddressInput::gateway>()}}},
       [](const Profile& w, Lead) { return commands::EncodeAddressCommands(w.address); }, true, Reach::Network,
       {{commands::kAddressFirstPartErr, "Address: the first part must be 1 to 223"},
        {commands::kAddressLoopbackErr, "Address: the first part must not be 127"}}},
      {kDhcpGroup, "Ethernet.DHCP", kEthernet,
       {{kDhcpEntry, "DHCP", &Flag<kDhcpGroup>, {Pick<&In::dhcp, &commands::DhcpInput::index>(pl::kDhcp)}}},
       [](const Profile& w, Lead) { return commands::EncodeDhcpCommand(w.dhcp); }, false, Reach::Network, {},
       kAddressGroup, "Address and DHCP exclude each other (the page is in one mode)"},
      {kMacGroup, "Ethernet.MAC", kEthernet,
       {{kMacEntry, "MAC", &Flag<kMacGroup>,
         {Typed(&MacPart<0>), Typed(&MacPart<1>), Typed(&MacPart<2>), Typed(&MacPart<3>), Typed(&MacPart<4>),
          Typed(&MacPart<5>)}}},
       [](const Profile& w, Lead) { return commands::EncodeMacCommand(w.mac); }, true},
      {kDuplexGroup, "Ethernet.DuplexMode", kEthernet,
       {{kDuplexModeEntry, "DuplexMode", &Flag<kDuplexGroup>,
         {Pick<&In::duplex, &commands::DuplexInput::index>(pl::kDuplex)}}},
       [](const Profile& w, Lead) { return commands::EncodeDuplexCommand(w.duplex); }},
      {kWifiGroup, "WiFi", kWifi,
       {{kWifiEntry, "WiFi", &Flag<kWifiGroup>,
         {Sent(&TextOf<&In::wifi, &WI::ssid>, "the SSID"), Pick<&In::wifi, &WI::mode>(pl::kWifiMode), Security(),
          Only(IsWpa, "WPA needs its cipher (AES or TPIK)", Pick<&In::wifi, &WI::wpaCipher>(pl::kWpaCipher)),
          Only(IsWep, "WEP needs its authentication (OPEN or SHARE)", Pick<&In::wifi, &WI::wepAuth>(pl::kWepAuth),
               true),
          Only(IsKeyed, nullptr, Secret(Sent(&WifiKey, "the Wi-Fi key"), "0"))},
         "an open network takes no further values"}},
       [](const Profile& w, Lead) { return commands::EncodeWifiCommand(w.wifi); }, false, Reach::Network, {},
       kGroupCount, nullptr, "WiFi: the profile holds no key (save it with keys to apply it)"},
      // The page cuts a longer name or PIN to what the command carries; a
      // profile is refused instead, so that what is applied is what it says.
      {kBluetoothGroup, "Bluetooth", kBluetooth,
       {{kBluetoothEntry, "Bluetooth", &Flag<kBluetoothGroup>,
         {Sent(&TextOf<&In::bluetooth, &commands::BluetoothInput::name>, "the Bluetooth device name",
               commands::kBluetoothNameMaxBytes),
          Secret(Sent(&TextOf<&In::bluetooth, &commands::BluetoothInput::pin>, "the Bluetooth PIN",
                      commands::kBluetoothPinMaxDigits, "digits"),
                 "0000")}}},
       [](const Profile& w, Lead lead) { return commands::EncodeBluetoothCommand(w.bluetooth, lead); }, false,
       Reach::None, {}, kGroupCount, nullptr, "Bluetooth: the profile holds no PIN (save it with keys to apply it)"},
      {kSerialGroup, "Serial", kSerial,
       {{kSerialEntry, "Serial", &Flag<kSerialGroup>,
         {Pick<&In::serial, &commands::SerialInput::baud>(pl::kBaud),
          Pick<&In::serial, &commands::SerialInput::dataBits>(pl::kDataBits),
          Pick<&In::serial, &commands::SerialInput::parity>(pl::kParity),
          Pick<&In::serial, &commands::SerialInput::stopBits>(pl::kStopBits),
          Pick<&In::serial, &commands::SerialInput::handshake>(pl::kHandshake)}}},
       [](const Profile& w, Lead) { return commands::EncodeSerialCommand(w.serial); }, false, Reach::Serial},
      {kUserDefineGroup, "UserDefine", kUserDefine,
       {{kUserPageLengthEntry, "PageLength", &Tick<&In::userDef, &UI::pageLength>,
         {Typed(&TextOf<&In::userDef, &UI::pageLengthMm>, commands::kUserPageLengthNumberErr,
                commands::kUserPageLengthOverErr)}},
        {kUserLeftShiftEntry, "LeftShift", &Tick<&In::userDef, &UI::leftShift>,
         {Pick<&In::userDef, &UI::leftShiftIndex>(pl::kLeftShift)}}},
       [](const Profile& w, Lead) { return commands::EncodeUserDefCommands(w.userDef); }},
  };
  return kGroups;
}

}  // namespace profile
