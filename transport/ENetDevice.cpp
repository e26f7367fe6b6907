// The network printer's transport: the command buffer over one TCP
// connection to the address of the main dialog's address field.
#include <winsock2.h>

#include <cwchar>

#include "transport/Device.h"
#include "transport/TcpSender.h"

ENetDevice::~ENetDevice() { Close(); }

int ENetDevice::Write(const unsigned char* data, int length) {
  SendBlock block{};
  block.length = length;
  block.data = data;
  char address[kAddressBufferBytes] = {};
  int result = 0;
  if (PrinterAddressText != nullptr) {
    // The address text holds at most kPrinterAddressChars characters; an
    // unterminated text is read no further than that.
    const int chars = static_cast<int>(wcsnlen(PrinterAddressText, kPrinterAddressChars));
    if (chars > 0 && WideCharToMultiByte(CP_ACP, 0, PrinterAddressText, chars, address,
                                         static_cast<int>(sizeof(address) - 1), nullptr,
                                         nullptr) > 0) {
      // A block without data would fall back to inlineData; a null buffer
      // with bytes to send is refused instead.
      if (data != nullptr || length == 0) result = SendTcpBlocks(address, 1, &block);
    }
  }
  if (result == 0) {
    ShowError("PO_GSTR_SET_FAIL");
    return 0;
  }
  ShowSuccess("PO_GSTR_SET_SUCCESS");
  return 1;
}

int ENetDevice::Query(const unsigned char*, int, unsigned char*, unsigned int*) { return 1; }
