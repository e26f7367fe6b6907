// Setwright's entry point: COM, common controls, the module, the rich-edit
// library, then the main dialog inside the message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/AppRun.h"
#include "framework/Framework.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_BAR_CLASSES;
  ::InitCommonControlsEx(&controls);

  _Module.Init(nullptr, instance);

  // The rich-edit controls of the pages need it; it stays loaded until exit.
  ::LoadLibraryW(L"RICHED20.DLL");

  int result = Run(commandLine, showCommand);

  _Module.Term();
  ::CoUninitialize();
  return result;
}
