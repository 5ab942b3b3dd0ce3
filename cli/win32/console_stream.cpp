#include "console_stream.h"

#include "wide_text.h"

namespace tarnwick {

ConsoleStream::ConsoleStream(DWORD standardHandle) : handle_(GetStdHandle(standardHandle)) {
  DWORD mode = 0;
  console_ = GetConsoleMode(handle_, &mode) != 0;
}

ConsoleStream::~ConsoleStream() { sync(); }

std::streamsize ConsoleStream::xsputn(const char_type* text, std::streamsize count) {
  pending_.append(text, static_cast<std::size_t>(count));
  return count;
}

ConsoleStream::int_type ConsoleStream::overflow(int_type character) {
  if (!traits_type::eq_int_type(character, traits_type::eof())) {
    pending_.push_back(traits_type::to_char_type(character));
  }
  return traits_type::not_eof(character);
}

int ConsoleStream::sync() {
  if (pending_.empty()) return 0;
  const std::wstring wide = WideFromUtf8(pending_);
  pending_.clear();
  if (console_) {
    DWORD written = 0;
    return WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)
               ? 0
               : -1;
  }
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
  DWORD written = 0;
  return WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ? 0
                                                                                               : -1;
}

}  // namespace tarnwick
