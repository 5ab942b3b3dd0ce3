#include "main_window_paint.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

#include "outcome_texts.h"

namespace tarnwick {

namespace {

std::vector<PaintedText> IntroTexts(int cx, int cy) {
  return {
      {ProgramTitle, PaintFont::Title, 50, 50},
      {"The program converts a flightplan file  <XXX.pln> created", PaintFont::Text, cx - 300,
       cy - 80},
      {"in FSX into the corresponding file <FS9_XXX.pln> in FS9.", PaintFont::Text, cx - 300,
       cy - 40},
      {"User waypoints implemented into the FSX version of the plan", PaintFont::Text, cx - 300,
       cy},
      {"should be present also in the converted version.", PaintFont::Text, cx - 300, cy + 40},
  };
}

// Tells the user that the plan in FS9 lacks part of the route, and why, in the command line's
// words: "3 waypoints were left out: 2 no type, 1 no position."
std::string LeftOutText(const LeftOutCounts& counts) {
  const std::int64_t total = counts.Total();
  std::string text = std::to_string(total) +
                     (total == 1 ? " waypoint was left out: " : " waypoints were left out: ");
  const std::pair<std::int64_t, std::string_view> reasons[] = {
      {counts.noType, "no type"},
      {counts.noPosition, "no position"},
      {counts.planEnds, "the plan ends inside it"}};
  const bool mixed = std::count_if(std::begin(reasons), std::end(reasons),
                                   [](const auto& reason) { return reason.first > 0; }) > 1;
  std::string_view separator;
  for (const auto& [count, reason] : reasons) {
    if (count == 0) continue;
    text += separator;
    if (mixed) text += std::to_string(count) + " ";
    text += reason;
    separator = ", ";
  }
  return text + ".";
}

std::vector<PaintedText> ConvertedTexts(const ProgramState& state, int cx, int cy) {
  const int x = cx - 320;
  std::vector<PaintedText> texts = {
      {"Tarnwick:", PaintFont::Title, 50, 50},
      {std::string(ConvertedText), PaintFont::Text, x, cy - 100},
      {"File " + state.SourceName, PaintFont::Text, x, cy - 60},
      {"converted to", PaintFont::Text, x, cy - 20},
      {"file " + state.TargetName, PaintFont::Text, x, cy + 20},
      {"in folder", PaintFont::Text, x, cy + 60},
      {state.SourceFolder, PaintFont::Text, x, cy + 100},
  };
  if (state.WaypointsLeftOut.Total() > 0) {
    texts.push_back({LeftOutText(state.WaypointsLeftOut), PaintFont::Text, x, cy + 140});
  }
  return texts;
}

std::vector<PaintedText> OutcomeTexts(std::string_view message, int cx, int cy) {
  return {{"Tarnwick:", PaintFont::Title, 50, 50},
          {std::string(message), PaintFont::Text, cx - 180, cy - 60}};
}

std::vector<PaintedText> StateTexts(const ProgramState& state, int cx, int cy) {
  switch (state.DisplayState) {
    case DisplayState::Intro:
      return IntroTexts(cx, cy);
    case DisplayState::Choosing:
      return {{"Select the flightplan in FSX format:", PaintFont::Text, 50, 50}};
    case DisplayState::Converted:
      return ConvertedTexts(state, cx, cy);
    case DisplayState::NotConverted: {
      std::vector<PaintedText> texts = OutcomeTexts(NotConvertedText, cx, cy);
      // The old plan is gone: the user must learn where the new one is.
      if (!state.KeptAs.empty()) {
        texts.push_back(
            {"The FS9 plan is kept as " + state.KeptAs, PaintFont::Text, cx - 180, cy - 20});
      }
      return texts;
    }
    case DisplayState::WrongFormat:
      return OutcomeTexts(WrongFormatText, cx, cy);
  }
  return {};
}

}  // namespace

std::vector<PaintedText> TextsToPaint(const ProgramState& state, int width, int height) {
  std::vector<PaintedText> texts = StateTexts(state, width / 2, height / 2);
  texts.push_back({AttributionLine, PaintFont::Default, width - 220, height - 40});
  return texts;
}

}  // namespace tarnwick
