// Spooler transport: hands the buffer to an installed printer as one raw
// print job of one page.
#include <windows.h>
#include <winspool.h>

#include "transport/Device.h"

PrinterDevice::~PrinterDevice() { Close(); }

int PrinterDevice::IsOpen() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

int PrinterDevice::Open() {
  if (IsOpen()) return 1;
  PRINTER_DEFAULTSW request = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(name_), &printer, &request) || printer == nullptr) {
    (void)GetLastError();
    handle_ = INVALID_HANDLE_VALUE;
    ShowError("PO_GSTR_OPEN_PRINTER_FAIL");
    return 0;
  }
  handle_ = printer;
  return 1;
}

void PrinterDevice::Close() {
  if (!IsOpen()) return;
  ClosePrinter(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

int PrinterDevice::Write(const unsigned char* data, int length) {
  if (name_ == nullptr) return 0;
  if (!Open()) return 0;
  // A buffer that cannot be read is refused before a job is started.
  if (length < 0 || (data == nullptr && length > 0)) {
    ShowError("PO_GSTR_WRITE_PRINTER_FAIL");
    return 0;
  }

  DOC_INFO_1W job = {const_cast<wchar_t*>(L"Raw String"), nullptr, const_cast<wchar_t*>(L"RAW")};
  if (StartDocPrinterW(handle_, 1, reinterpret_cast<BYTE*>(&job)) == 0) {
    ShowError("PO_GSTR_START_DOC_FAIL");
    return 0;
  }
  if (!StartPagePrinter(handle_)) {
    EndDocPrinter(handle_);
    ShowError("PO_GSTR_START_PAGE_FAIL");
    return 0;
  }
  DWORD written = 0;
  if (!WritePrinter(handle_, const_cast<unsigned char*>(data), static_cast<DWORD>(length),
                    &written)) {
    EndPagePrinter(handle_);
    EndDocPrinter(handle_);
    ShowError("PO_GSTR_WRITE_PRINTER_FAIL");
    return 0;
  }
  if (!EndPagePrinter(handle_)) {
    EndDocPrinter(handle_);
    ShowError("PO_GSTR_END_PAGE_FAIL");
    return 0;
  }
  if (!EndDocPrinter(handle_)) {
    ShowError("PO_GSTR_END_DOC_FAIL");
    return 0;
  }
  // Checked only now: the accepted part has already been handed over.
  if (written != static_cast<DWORD>(length)) {
    ShowError("PO_GSTR_WRITE_PRINTER_LESS");
    return 0;
  }
  ShowSuccess("PO_GSTR_SET_SUCCESS");
  return 1;
}

int PrinterDevice::Query(const unsigned char*, int, unsigned char*, unsigned int*) { return 1; }
