#include "console_stream.h"

#include <string>

#include "wide_text.h"

namespace tarnwick {

ConsoleStream::ConsoleStream(DWORD standardHandle) : handle_(GetStdHandle(standardHandle)) {
  DWORD mode = 0;
  console_ = GetConsoleMode(handle_, &mode) != 0;
}

std::error_code ConsoleStream::WriteOut(std::string_view text) {
  const std::wstring wide = WideFromUtf8(text);
  if (console_) return WriteAll(wide.data(), wide.size());
  std::wstring lines;
  for (const wchar_t c : wide) {
    if (c == L'\n') lines.push_back(L'\r');
    lines.push_back(c);
  }
  const UINT consoleCodePage = GetConsoleOutputCP();
  const UINT codePage = consoleCodePage != 0 ? consoleCodePage : GetACP();
  const int size = static_cast<int>(lines.size());
  const int length =
      WideCharToMultiByte(codePage, 0, lines.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, lines.data(), size, bytes.data(), length, nullptr, nullptr);
  return WriteAll(bytes.data(), bytes.size());
}

// `size` characters to a console, bytes to anything else; a write may take only part of them.
std::error_code ConsoleStream::WriteAll(const void* data, std::size_t size) {
  const std::size_t unit = console_ ? sizeof(wchar_t) : 1;
  const char* at = static_cast<const char*>(data);
  while (size > 0) {
    DWORD written = 0;
    const auto count = static_cast<DWORD>(size);
    const bool wrote = console_ ? WriteConsoleW(handle_, at, count, &written, nullptr) != 0
                                : WriteFile(handle_, at, count, &written, nullptr) != 0;
    if (!wrote || written == 0) {
      return {static_cast<int>(wrote ? ERROR_WRITE_FAULT : GetLastError()), std::system_category()};
    }
    at += written * unit;
    size -= written;
  }
  return {};
}

}  // namespace tarnwick
