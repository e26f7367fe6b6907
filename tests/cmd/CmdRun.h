// Runs SetwrightCmd from a test under Wine and collects what it printed;
// writes and reads the test's scratch files.
#pragma once
#include <windows.h>

#include <string>

#include "tests/support/Bytes.h"
#include "tests/support/CapturedProgram.h"
#include "tests/support/PrinterEnds.h"

inline std::wstring Widen(const std::string& text) {
  return std::wstring(text.begin(), text.end());  // the paths and arguments here are ASCII
}

struct CmdResult {
  DWORD exitCode = 99;
  std::string out;  // standard output and standard error together
};

// Runs SetwrightCmd with arguments and waits for it (ended after waitMs).
inline CmdResult RunCmd(const std::wstring& arguments, DWORD waitMs = 60000) {
  testing_ends::CapturedProgram program(testing_ends::WindowsPathOf(SW_CMD_EXE_UNIX), arguments);
  CmdResult result;
  result.exitCode = program.Wait(waitMs);
  result.out = program.Output();
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

