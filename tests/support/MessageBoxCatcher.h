// Catches the real message boxes that code under test shows on this thread:
// a WH_CBT hook records each box's text, caption and owner when it is
// activated and closes it by posting the chosen button.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct CaughtBox {
  std::wstring text;
  std::wstring caption;
  HWND owner;
};

class MessageBoxCatcher {
 public:
  explicit MessageBoxCatcher(int answer = IDOK);
  ~MessageBoxCatcher();
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  const std::vector<CaughtBox>& Boxes() const { return boxes_; }
  size_t Count() const { return boxes_.size(); }
  void Clear() { boxes_.clear(); }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
  int answer_;
  std::vector<CaughtBox> boxes_;
  MessageBoxCatcher* previous_ = nullptr;
};

// Closes modal dialogs (not message boxes) that code under test opens on
// this thread: for each top-level dialog activated whose caption starts with
// captionPrefix, once the dialog's own loop runs, calls onOpen (may be
// null), then posts WM_COMMAND with closeId. Records the captions seen.
class DialogCloser {
 public:
  using Callback = void (*)(HWND dialog, void* context);
  DialogCloser(const wchar_t* captionPrefix, int closeId, Callback onOpen = nullptr,
               void* context = nullptr);
  ~DialogCloser();
  DialogCloser(const DialogCloser&) = delete;
  DialogCloser& operator=(const DialogCloser&) = delete;
  const std::vector<std::wstring>& Seen() const { return seen_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK Act(HWND, UINT, UINT_PTR timer, DWORD);
  HHOOK hook_ = nullptr;
  HWND pending_ = nullptr;
  std::wstring prefix_;
  int closeId_;
  Callback onOpen_;
  void* context_;
  std::vector<std::wstring> seen_;
  std::vector<HWND> handled_;
  DialogCloser* previous_ = nullptr;
};
