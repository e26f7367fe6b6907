#include "tests/support/CapturedProgram.h"

#include "tests/support/PrinterEnds.h"

namespace testing_ends {

CapturedProgram::CapturedProgram(const std::wstring& exe, const std::wstring& arguments) {
  static int serial = 0;
  output_ = ScratchDir() + L"program-" + std::to_wstring(++serial) + L".out";
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  UniqueHandle out(::CreateFileW(output_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.Valid()) return;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out.Get();
  startup.hStdError = out.Get();
  startup.hStdInput = nullptr;
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup, &process)) {
    process_.Reset(process.hProcess);
    ::CloseHandle(process.hThread);
  }
}

CapturedProgram::~CapturedProgram() {
  if (Started() && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.Get(), 999);
    ::WaitForSingleObject(process_.Get(), 5000);
  }
}

std::string CapturedProgram::Output() const {
  const std::vector<unsigned char> bytes = ReadWholeFile(output_);
  return std::string(bytes.begin(), bytes.end());
}

DWORD CapturedProgram::Wait(DWORD waitMs) {
  if (!Started()) return 999;
  if (::WaitForSingleObject(process_.Get(), waitMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(process_.Get(), 999);
    ::WaitForSingleObject(process_.Get(), 5000);
    return 999;
  }
  DWORD code = 999;
  ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}

std::wstring WindowsPathOf(const std::string& unixPath) {
  std::wstring path = L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

}  // namespace testing_ends
