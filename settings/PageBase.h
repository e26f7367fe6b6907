// What every setting page does the same way: it centres itself when it is
// created, ends on OK and Cancel, and sends encoded settings in one send or
// shows the input error that stopped them. A page reads its controls
// through one Read…Input function, for Set and for Save profile alike. A page derives from
// CPageDlg<itself>, implements InitPage() and chains its message map here.
#pragma once
#include "framework/Framework.h"
#include "settings/Encoders.h"
#include "settings/PageControls.h"

namespace profile {
struct Profile;
}

template <class T>
class CPageDlg : public CDialogImpl<T> {
 public:
  BEGIN_MSG_MAP(CPageDlg)
    MSG_WM_INITDIALOG(OnInitDialog)
    COMMAND_ID_HANDLER_EX(IDOK, OnEnd)
    COMMAND_ID_HANDLER_EX(IDCANCEL, OnEnd)
  END_MSG_MAP()

 protected:
  // An input error shows its box (owned by the page) and nothing is sent;
  // otherwise the bytes go out in one send. Returns the send's result.
  int SendEncoded(const commands::Encoded& encoded, int showSuccess = 1) const {
    return SendEncodedFrom(this->m_hWnd, encoded, showSuccess);
  }

  // Set: the page's input read for sending, encoded and sent. A text the
  // code page cannot carry exactly shows its box and nothing is sent.
  template <class Input>
  int EncodeAndSend(bool (*read)(HWND, TextUse, Input*), commands::Encoded (*encode)(const Input&)) const {
    Input input;
    if (!read(this->m_hWnd, TextUse::Send, &input)) {
      ShowInputError(this->m_hWnd, commands::kTextNotSendableErr);
      return 0;
    }
    return SendEncoded(encode(input));
  }

 private:
  BOOL OnInitDialog(HWND, LPARAM) {
    this->CenterWindow(::GetParent(this->m_hWnd));
    static_cast<T*>(this)->InitPage();
    return TRUE;
  }
  void OnEnd(UINT, int id, HWND) { this->EndDialog(id); }
};
