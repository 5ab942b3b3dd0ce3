// The scanner's line reading, UTF-16 decoding and the UTF-8 twin included, against the plain
// byte-by-byte model of the same rules, with piece and buffer sizes from the input's first bytes so
// that every boundary is reached; then the searches, which must end on any input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "case_rules.h"
#include "plan_format.h"
#include "scanner_model.h"
#include "source_scanner.h"

namespace {

tarnwick::SourceScanner ScannerOver(std::string_view data, tarnwick::ScannerLimits limits) {
  return tarnwick::SourceScanner(std::make_unique<std::stringbuf>(std::string(data), std::ios::in),
                                 tarnwick::Windows1252CaseRules(), limits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // Pieces and buffers of up to 32 bytes reach every boundary; larger ones let whole lines take
  // the short way.
  const auto bytesFrom = [](std::uint8_t byte) -> std::size_t {
    return byte < 128 ? 1 + byte % 32u : 32u * (byte - 127u);
  };
  const tarnwick::ScannerLimits limits{bytesFrom(data[0]), bytesFrom(data[1])};
  const std::string_view source(reinterpret_cast<const char*>(data) + 2, size - 2);
  tarnwick::SourceScanner scanner = ScannerOver(source, limits);
  tarnwick::testing::ScannerModel model(source, limits.maxLineBytes,
                                        tarnwick::Windows1252CaseRules());
  // Every read up to the end, and the failed one after it.
  for (bool last = false; !last;) {
    last = model.Exhausted();
    const tarnwick::testing::ModelRead expected = model.Read();
    if (scanner.ReadNormalizedLine() != expected.line || scanner.LineNumber() != expected.number ||
        scanner.AtEndOfSource() != expected.atEnd || scanner.Exhausted() != expected.exhausted) {
      std::abort();
    }
  }

  // Every search ends, with or without a scope end, rewound or not.
  scanner.RewindSource();
  scanner.FindElement("<title>", std::nullopt);
  scanner.FindElement("<descr>", tarnwick::DocumentEnd);
  scanner.RewindSource();
  const std::string value = scanner.FindElement("<a", tarnwick::DocumentEnd);
  if (value.size() > limits.maxLineBytes) std::abort();
  scanner.CutLine(static_cast<std::ptrdiff_t>(data[0]) - 128,
                  static_cast<std::ptrdiff_t>(data[1]) - 128);
  return 0;
}
