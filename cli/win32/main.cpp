// tarnwick-convert on Windows: the wide command line, so that a path in any alphabet arrives as
// it is, and the system code page's letter case, as the desktop program uses it.
#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include "code_page_case_rules.h"
#include "console_stream.h"
#include "convert_command.h"
#include "wide_text.h"
#include "wildcards.h"

int wmain(int argc, wchar_t* argv[]) {
  // A missing medium must fail file operations quietly instead of showing a system dialog.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(tarnwick::Utf8FromWide(argv[i]));
  tarnwick::ConsoleStream outStream(STD_OUTPUT_HANDLE);
  tarnwick::ConsoleStream errStream(STD_ERROR_HANDLE);
  std::ostream out(&outStream);
  std::ostream err(&errStream);
  const auto rules = tarnwick::CaseRulesForCodePage(GetACP());
  return tarnwick::RunConvertCommand(arguments, out, err, *rules, tarnwick::ExpandWildcards);
}
