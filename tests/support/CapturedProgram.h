// A program of this build started as a real process with its standard output
// and error going to a file of the test's scratch folder. The process is
// ended when the object goes, if it still runs, so no program outlives its
// test, failure included.
#pragma once
#include <windows.h>

#include <string>

#include "common/UniqueResource.h"

namespace testing_ends {

class CapturedProgram {
 public:
  // exe: the program's Windows path; arguments as on a command line.
  CapturedProgram(const std::wstring& exe, const std::wstring& arguments);
  ~CapturedProgram();
  CapturedProgram(const CapturedProgram&) = delete;
  CapturedProgram& operator=(const CapturedProgram&) = delete;

  bool Started() const { return process_.Valid(); }
  // Everything it wrote so far.
  std::string Output() const;
  // Its exit code once it ended within waitMs; otherwise it is ended and the
  // result is 999.
  DWORD Wait(DWORD waitMs);

 private:
  UniqueHandle process_;
  std::wstring output_;
};

// The Windows path ("Z:\...") of a Unix path of this machine.
std::wstring WindowsPathOf(const std::string& unixPath);

}  // namespace testing_ends
