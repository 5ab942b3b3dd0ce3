#pragma once

#include <windows.h>

#include "case_rules.h"
#include "main_window_paint.h"
#include "program_state.h"
#include "start_command.h"

namespace tarnwick {

// The program's one top-level window: the menu bar "Start" / "Close" over a green field that
// shows the outcome of the last Start command.
class MainWindow : public StartCommandPlatform {
 public:
  MainWindow(HINSTANCE instance, ProgramState& state, const RECT& screenRect,
             const CaseRules& rules);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Null when the window could not be created.
  HWND Handle() const { return window_; }

  FileChoice ChooseSourceFile() override;
  void RequestRepaint() override;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void PaintWindow();
  void StartCommand();
  void CloseCommand();

  ProgramState& state_;
  const RECT& screenRect_;
  const CaseRules& rules_;
  RECT creationRect_{0, 0, 800, 600};
  RECT clientRect_{};
  HFONT textFont_ = nullptr;
  HFONT titleFont_ = nullptr;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  HWND window_ = nullptr;
};

}  // namespace tarnwick
