#include "app/AppRun.h"

#include <new>

#include "framework/Framework.h"
#include "common/Globals.h"
#include "app/MainDlg.h"

int Run(LPWSTR, int showCommand) {
  CMessageLoop loop;
  _Module.AddMessageLoop(&loop);

  CMainDlg dialog;
  if (dialog.Create(nullptr) == nullptr) {
    _Module.RemoveMessageLoop();
    return 0;
  }
  MainDialog = &dialog;
  MainWindow = dialog.m_hWnd;
  dialog.ShowWindow(showCommand);

  int result = loop.Run();
  _Module.RemoveMessageLoop();
  return result;
}
