// The spooler's ports and printers and the COM ports of the COM-port
// device-interface class, as the main dialog lists them.
#include "transport/PortLists.h"

#include <initguid.h>
#include <setupapi.h>
#include <winspool.h>

#include <memory>
#include <new>

#include "common/UniqueResource.h"
#include "transport/PortNames.h"

namespace {

// COM-port device interface class.
const GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

}  // namespace

std::vector<std::wstring> EnumSpoolerPorts() {
  std::vector<std::wstring> ports;
  DWORD needed = 0;
  DWORD count = 0;
  ::EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count);
  if (needed == 0) return ports;
  std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[needed]);
  if (!block) return ports;
  if (!::EnumPortsW(nullptr, 2, block.get(), needed, &needed, &count) || count == 0) return ports;
  const auto* info = reinterpret_cast<const PORT_INFO_2W*>(block.get());
  for (DWORD i = 0; i < count; ++i) {
    if (info[i].pPortName) ports.emplace_back(info[i].pPortName);
  }
  return ports;
}

std::vector<std::wstring> EnumComPorts() {
  std::vector<std::wstring> ports;
  UniqueDeviceInfoSet set(::SetupDiGetClassDevsW(&kComPortInterface, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!set.Valid()) return ports;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    if (!::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kComPortInterface, index, &data)) break;

    // The detail is read at whatever length the path has.
    DWORD required = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set.Get(), &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) break;
    std::unique_ptr<BYTE[]> detailBlock(new (std::nothrow) BYTE[required]());
    if (!detailBlock) break;
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBlock.get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!::SetupDiGetDeviceInterfaceDetailW(set.Get(), &data, detail, required, nullptr, &device)) {
      break;
    }

    wchar_t friendly[256] = {};
    wchar_t description[256] = {};
    if (!::SetupDiGetDeviceRegistryPropertyW(set.Get(), &device, SPDRP_FRIENDLYNAME, nullptr,
                                             reinterpret_cast<BYTE*>(friendly),
                                             sizeof(friendly) - sizeof(wchar_t), nullptr) ||
        !::SetupDiGetDeviceRegistryPropertyW(set.Get(), &device, SPDRP_DEVICEDESC, nullptr,
                                             reinterpret_cast<BYTE*>(description),
                                             sizeof(description) - sizeof(wchar_t), nullptr)) {
      continue;
    }
    ports.push_back(ComPortFromFriendlyName(friendly));
  }
  return ports;
}

std::vector<std::wstring> EnumLocalPrinters() {
  std::vector<std::wstring> printers;
  DWORD needed = 0;
  DWORD count = 0;
  ::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed,
                  &count);
  if (needed == 0) return printers;
  std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[needed]);
  if (!block) return printers;
  if (!::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, block.get(),
                       needed, &needed, &count)) {
    return printers;
  }
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(block.get());
  for (DWORD i = 0; i < count; ++i) {
    if (info[i].pPrinterName) printers.emplace_back(info[i].pPrinterName);
  }
  return printers;
}
