#include <windows.h>

#include "converter_app.h"

namespace {

// The program-wide state lives as long as the program, around the main window.
tarnwick::ConverterApp App;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  // A missing medium must fail file operations quietly instead of showing a system dialog.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  return App.Run(instance);
}
