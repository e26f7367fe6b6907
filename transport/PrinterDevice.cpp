// Spooler transport: hands the buffer to an installed printer as one raw
// print job of one page.
#include <windows.h>
#include <winspool.h>

#include "transport/Device.h"
#include "transport/SendReasons.h"

namespace {

std::string Step(const char* what) { return what + (" (" + SystemErrorText(GetLastError()) + ")"); }

}  // namespace

SendOutcome PrinterDevice::Write(const unsigned char* data, size_t length) {
  PRINTER_DEFAULTSW request = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  UniquePrinter printer;
  if (!OpenPrinterW(const_cast<wchar_t*>(target_.name.c_str()), printer.Out(), &request) ||
      !printer.Valid()) {
    const DWORD error = GetLastError();
    return FailedOutcome("PO_GSTR_OPEN_PRINTER_FAIL",
                         error == ERROR_INVALID_PRINTER_NAME
                             ? std::string("no printer queue of that name is installed")
                             : "the printer queue cannot be opened (" + SystemErrorText(error) + ")");
  }
  // A buffer that cannot be read is refused before a job is started.
  if (data == nullptr && length > 0) {
    return FailedOutcome("PO_GSTR_WRITE_PRINTER_FAIL", "no bytes to send: the buffer is missing");
  }
  if (length > 0x7FFFFFFFu) {
    return FailedOutcome("PO_GSTR_WRITE_PRINTER_FAIL", "too many bytes for one print job");
  }
  const HANDLE handle = printer.Get();
  DOC_INFO_1W job = {const_cast<wchar_t*>(L"Raw String"), nullptr, const_cast<wchar_t*>(L"RAW")};
  if (StartDocPrinterW(handle, 1, reinterpret_cast<BYTE*>(&job)) == 0) {
    return FailedOutcome("PO_GSTR_START_DOC_FAIL", Step("the queue refused the print job"));
  }
  if (!StartPagePrinter(handle)) {
    std::string why = Step("the queue refused the page");
    EndDocPrinter(handle);
    return FailedOutcome("PO_GSTR_START_PAGE_FAIL", why);
  }
  DWORD written = 0;
  if (!WritePrinter(handle, const_cast<unsigned char*>(data), static_cast<DWORD>(length),
                    &written)) {
    std::string why = Step("the queue refused the bytes");
    EndPagePrinter(handle);
    EndDocPrinter(handle);
    return FailedOutcome("PO_GSTR_WRITE_PRINTER_FAIL", why);
  }
  if (!EndPagePrinter(handle)) {
    std::string why = Step("the page could not be ended");
    EndDocPrinter(handle);
    return FailedOutcome("PO_GSTR_END_PAGE_FAIL", why, written);
  }
  if (!EndDocPrinter(handle)) {
    return FailedOutcome("PO_GSTR_END_DOC_FAIL", Step("the print job could not be ended"), written);
  }
  // Checked only now: the accepted part has already been handed over.
  if (written != static_cast<DWORD>(length)) {
    return FailedOutcome("PO_GSTR_WRITE_PRINTER_LESS",
                         "the queue took " + std::to_string(written) + " of " +
                             std::to_string(length) + " bytes",
                         written);
  }
  return ConfirmedOutcome(length);
}
