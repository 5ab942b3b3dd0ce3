#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The double nearest to 1/60: seconds are multiplied by it, not divided by 60, so that the
// minutes come out exactly as the target simulator's own plans have them.
inline constexpr double SecondsFactor = 0.016666666666666666;

// Turns a source position, "n47° 26' 56.40",w122° 18' 42.60",+000429.00" (degrees, minutes and
// seconds, then the altitude), into target position text, "n47* 26.94', w122* 18.71', +000429.00"
// (degrees and decimal minutes). Decimal degrees are read too, after a hemisphere letter or with
// an optional sign ("54.28,-130.44,+116": north, west). Latitude and longitude alone get the
// altitude +000000.00, and commas in the altitude become points. Minutes that would be written as
// 60.00 are written as the next degree. Pure text work: every input yields a text, and case is
// kept.
std::string ConvertPosition(std::string_view position);
// The same, appended to `out`, which a caller may reuse from position to position.
void AppendConvertedPosition(std::string& out, std::string_view position);

}  // namespace tarnwick
