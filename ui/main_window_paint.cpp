#include "main_window_paint.h"

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

// Tells the user that the plan in FS9 lacks part of the route.
std::string LeftOutText(std::int64_t count) {
  if (count == 1) return "1 waypoint was left out: no type or no position.";
  return std::to_string(count) + " waypoints were left out: no type or no position.";
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
  if (state.WaypointsLeftOut > 0) {
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
    case DisplayState::NotConverted:
      return OutcomeTexts(NotConvertedText, cx, cy);
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
