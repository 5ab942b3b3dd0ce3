#include "main_window.h"

#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "resource_ids.h"
#include "wide_text.h"

namespace tarnwick {

namespace {

constexpr char kClassName[] = "TarnwickMainWindow";
constexpr char kCaption[] = "Tarnwick";
constexpr int kTitleFontTenths = 200;
constexpr int kTextFontTenths = 140;
// Room for the longest path the dialog can return.
constexpr DWORD kPathCapacity = 32768;

// A font of the given size in tenths of a point; the style comes from the face name alone.
HFONT CreateProgramFont(int tenthsOfPoint) {
  HDC screen = GetDC(nullptr);
  const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTA description{};
  description.lfHeight = -(pixelsPerInch * tenthsOfPoint / 720);
  description.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(description.lfFaceName, "Arial Black Kursiv");
  return CreateFontIndirectA(&description);
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, ProgramState& state, const RECT& screenRect,
                       const CaseRules& rules)
    : state_(state), screenRect_(screenRect), rules_(rules) {
  titleFont_ = CreateProgramFont(kTitleFontTenths);
  textFont_ = CreateProgramFont(kTextFontTenths);
  RegisterWindowClass(instance, &MainWindow::WindowProcedure);
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(TARNWICK_MENU));
  CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, kCaption, WS_OVERLAPPEDWINDOW, creationRect_.left,
                  creationRect_.top, creationRect_.right - creationRect_.left,
                  creationRect_.bottom - creationRect_.top, nullptr, menu, instance, this);
  // A window owns its menu and destroys it; a menu without a window would be left over.
  if (window_ == nullptr && menu != nullptr) DestroyMenu(menu);
}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  DeleteObject(titleFont_);
  DeleteObject(textFont_);
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintWindow();
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 && LOWORD(wParam) == TARNWICK_START_COMMAND) {
        StartCommand();
        return 0;
      }
      if (HIWORD(wParam) == 0 && LOWORD(wParam) == TARNWICK_CLOSE_COMMAND) {
        CloseCommand();
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      // The last message the window gets: forget it before it is gone.
      HWND window = window_;
      window_ = nullptr;
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      return DefWindowProcA(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

void MainWindow::PaintWindow() {
  PAINTSTRUCT paint;
  HDC surface = BeginPaint(window_, &paint);
  SetBkColor(surface, RGB(FillColour::Red, FillColour::Green, FillColour::Blue));
  ExtTextOutA(surface, 0, 0, ETO_OPAQUE, &screenRect_, nullptr, 0, nullptr);
  GetClientRect(window_, &clientRect_);
  clientWidth_ = clientRect_.right;
  clientHeight_ = clientRect_.bottom;
  const HGDIOBJ defaultFont = SelectObject(surface, titleFont_);
  for (const PaintedText& text : TextsToPaint(state_, clientWidth_, clientHeight_)) {
    switch (text.font) {
      case PaintFont::Title:
        SelectObject(surface, titleFont_);
        break;
      case PaintFont::Text:
        SelectObject(surface, textFont_);
        break;
      case PaintFont::Default:
        SelectObject(surface, defaultFont);
        break;
    }
    // Names are painted as they are, in any alphabet.
    const std::wstring wide = WideFromUtf8(text.text);
    TextOutW(surface, text.x, text.y, wide.data(), static_cast<int>(wide.size()));
  }
  // The surface goes back with the font it came with.
  SelectObject(surface, defaultFont);
  EndPaint(window_, &paint);
}

void MainWindow::StartCommand() { tarnwick::StartCommand(state_, *this, rules_); }

void MainWindow::CloseCommand() { DestroyWindow(window_); }

void MainWindow::RequestRepaint() { InvalidateRect(window_, nullptr, TRUE); }

FileChoice MainWindow::ChooseSourceFile() {
  std::vector<wchar_t> path(kPathCapacity, L'\0');
  std::vector<wchar_t> name(kPathCapacity, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_;
  dialog.lpstrFilter = L"Flightplan files (*.pln)\0*.pln\0";
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrFileTitle = name.data();
  dialog.nMaxFileTitle = kPathCapacity;
  dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  // Wide, so that a plan in a folder of any name is the plan itself, not a "?" look-alike.
  if (!GetOpenFileNameW(&dialog)) return {};
  return {true, Utf8FromWide(path.data()), Utf8FromWide(name.data())};
}

}  // namespace tarnwick
