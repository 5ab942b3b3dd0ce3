#include "converter_app.h"

#include "code_page_case_rules.h"
#include "main_window.h"

namespace tarnwick {

ConverterApp::ConverterApp() {
  const LONG height = GetSystemMetrics(SM_CYSCREEN);
  const LONG width = GetSystemMetrics(SM_CXSCREEN);
  screenRect_ = RECT{0, 0, width, height};
}

int ConverterApp::Run(HINSTANCE instance) {
  const auto rules = CaseRulesForCodePage(GetACP());
  MainWindow window(instance, state_, screenRect_, *rules);
  if (window.Handle() == nullptr) return 1;
  // The plain show command: the program always opens as it is, not as the launcher asks.
  ShowWindow(window.Handle(), SW_SHOW);
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) break;
    // -1: the loop itself failed; the program ends with an error rather than spin.
    if (got == -1) return 1;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace tarnwick
