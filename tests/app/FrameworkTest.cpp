// The message loop and module of the dialog framework.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Framework.h"

namespace {

std::vector<std::string> g_calls;

class RecordingFilter : public CMessageFilter {
 public:
  RecordingFilter(const char* name, bool handles) : name_(name), handles_(handles) {}
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message != WM_APP) return FALSE;
    g_calls.push_back(name_);
    return handles_ ? TRUE : FALSE;
  }

 private:
  const char* name_;
  bool handles_;
};

class CountingIdle : public CIdleHandler {
 public:
  BOOL OnIdle() override {
    ++count;
    return FALSE;
  }
  int count = 0;
};

void CALLBACK MoveThenQuit(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  ::PostThreadMessageW(::GetCurrentThreadId(), WM_MOUSEMOVE, 0, 0);
  ::PostQuitMessage(0);
}

}  // namespace

TEST(MessageLoop, FiltersAreOfferedLastRegisteredFirstUntilOneHandles) {
  g_calls.clear();
  CMessageLoop loop;
  RecordingFilter first("first", false), second("second", true), third("third", false);
  loop.AddMessageFilter(&first);
  loop.AddMessageFilter(&second);
  loop.AddMessageFilter(&third);
  ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP, 0, 0);
  ::PostQuitMessage(7);
  EXPECT_EQ(loop.Run(), 7);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"third", "second"}));

  g_calls.clear();
  EXPECT_TRUE(loop.RemoveMessageFilter(&second));
  EXPECT_FALSE(loop.RemoveMessageFilter(&second));
  ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP, 0, 0);
  ::PostQuitMessage(3);
  EXPECT_EQ(loop.Run(), 3);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"third", "first"}));
}

TEST(MessageLoop, IdleRunsWhenTheQueueEmptiesAndAgainOnlyAfterInput) {
  CMessageLoop loop;
  CountingIdle idle;
  loop.AddIdleHandler(&idle);
  // Idle pass, then a paint-class message (no new pass), then quit.
  ::SetTimer(nullptr, 0, 30, MoveThenQuit);
  loop.Run();
  EXPECT_GE(idle.count, 1);
  int afterFirst = idle.count;
  MSG key{nullptr, WM_KEYDOWN, 0, 0, 0, {}};
  MSG paint{nullptr, WM_PAINT, 0, 0, 0, {}};
  MSG caretTimer{nullptr, 0x0118, 0, 0, 0, {}};
  EXPECT_TRUE(CMessageLoop::IsIdleMessage(&key));
  EXPECT_FALSE(CMessageLoop::IsIdleMessage(&paint));
  EXPECT_FALSE(CMessageLoop::IsIdleMessage(&caretTimer));
  EXPECT_LE(afterFirst, 3);
  EXPECT_TRUE(loop.RemoveIdleHandler(&idle));
}

TEST(Module, KeepsOneLoopPerThread) {
  CAppModule module;
  ASSERT_EQ(module.Init(nullptr, ::GetModuleHandleW(nullptr)), S_OK);
  EXPECT_EQ(module.GetModuleInstance(), ::GetModuleHandleW(nullptr));
  CMessageLoop loop;
  EXPECT_EQ(module.GetMessageLoop(), nullptr);
  EXPECT_TRUE(module.AddMessageLoop(&loop));
  EXPECT_EQ(module.GetMessageLoop(), &loop);
  EXPECT_EQ(module.GetMessageLoop(::GetCurrentThreadId() + 1), nullptr);
  EXPECT_TRUE(module.RemoveMessageLoop());
  EXPECT_EQ(module.GetMessageLoop(), nullptr);
  module.Term();
  EXPECT_FALSE(module.AddMessageLoop(&loop));
}
