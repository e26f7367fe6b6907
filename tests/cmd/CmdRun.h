// Runs SetwrightCmd from a test under Wine and collects what it printed;
// writes and reads the test's scratch files.
#pragma once
#include <windows.h>

#include <string>

#include "tests/support/Bytes.h"
#include "tests/support/PrinterEnds.h"

inline std::wstring Widen(const std::string& text) {
  return std::wstring(text.begin(), text.end());  // the paths and arguments here are ASCII
}

inline std::wstring CmdExe() {
  std::wstring path = L"Z:" + Widen(SW_CMD_EXE_UNIX);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

struct CmdResult {
  DWORD exitCode = 99;
  std::string out;  // standard output and standard error together
};

// Runs SetwrightCmd with arguments; its output goes to a scratch file.
inline CmdResult RunCmd(const std::wstring& arguments, DWORD waitMs = 60000) {
  CmdResult result;
  const std::wstring outPath = testing_ends::ScratchDir() + L"cmd-out.txt";
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE out = ::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return result;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = out;
  startup.hStdInput = nullptr;
  std::wstring commandLine = L"\"" + CmdExe() + L"\" " + arguments;
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &process)) {
    // A run that hangs is ended, so no program outlives its test.
    if (::WaitForSingleObject(process.hProcess, waitMs) != WAIT_OBJECT_0) {
      ::TerminateProcess(process.hProcess, 98);
      ::WaitForSingleObject(process.hProcess, 5000);
    }
    ::GetExitCodeProcess(process.hProcess, &result.exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CloseHandle(out);
  Bytes bytes = testing_ends::ReadWholeFile(outPath);
  result.out.assign(bytes.begin(), bytes.end());
  return result;
}

inline std::wstring WriteProfile(const wchar_t* name, const std::string& text) {
  std::wstring path = testing_ends::ScratchDir() + name;
  testing_ends::WriteWholeFile(path, text.data(), text.size());
  return path;
}

inline std::string ReadText(const std::wstring& path) {
  Bytes bytes = testing_ends::ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

