#include "main_window_paint.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

// Found by the test framework next to the type, so failures show the texts.
void PrintTo(const PaintedText& text, std::ostream* os) {
  *os << '"' << text.text << "\" font " << static_cast<int>(text.font) << " at (" << text.x << ", "
      << text.y << ')';
}

namespace {

ProgramState Showing(DisplayState display, const LeftOutCounts& leftOut,
                     const std::string& keptAs) {
  ProgramState state;
  state.DisplayState = display;
  state.WaypointsLeftOut = leftOut;
  state.KeptAs = keptAs;
  state.SourceName = "Route.pln";
  state.TargetName = "FS9_Route.pln";
  state.SourceFolder = "D:\\Plans\\";
  return state;
}

// The success block of a 784 x 542 window, with the lines that follow the folder line.
std::vector<PaintedText> ConvertedTexts(const std::vector<PaintedText>& belowFolder) {
  std::vector<PaintedText> texts = {
      {"Tarnwick:", PaintFont::Title, 50, 50},
      {"Conversion successfully performed -", PaintFont::Text, 72, 171},
      {"File Route.pln", PaintFont::Text, 72, 211},
      {"converted to", PaintFont::Text, 72, 251},
      {"file FS9_Route.pln", PaintFont::Text, 72, 291},
      {"in folder", PaintFont::Text, 72, 331},
      {"D:\\Plans\\", PaintFont::Text, 72, 371}};
  texts.insert(texts.end(), belowFolder.begin(), belowFolder.end());
  texts.push_back({AttributionLine, PaintFont::Default, 564, 502});
  return texts;
}

struct PaintCase {
  std::string name;
  DisplayState display;
  int width;
  int height;
  std::vector<PaintedText> texts;
  LeftOutCounts leftOut = {};  // waypoints the conversion could not carry over
  std::string keptAs = {};     // where the new plan is kept when the old one is gone
};

class TextsToPaintTest : public ::testing::TestWithParam<PaintCase> {};

TEST_P(TextsToPaintTest, PlacesEachLineOfTheState) {
  EXPECT_EQ(TextsToPaint(Showing(GetParam().display, GetParam().leftOut, GetParam().keptAs),
                         GetParam().width, GetParam().height),
            GetParam().texts);
}

// 784 x 542 is the client area of the 800 x 600 window: w/2 = 392, h/2 = 271.
INSTANTIATE_TEST_SUITE_P(
    States, TextsToPaintTest,
    ::testing::Values(
        PaintCase{
            "Intro",
            DisplayState::Intro,
            784,
            542,
            {{"Tarnwick, Vs. 1.1", PaintFont::Title, 50, 50},
             {"The program converts a flightplan file  <XXX.pln> created", PaintFont::Text, 92,
              191},
             {"in FSX into the corresponding file <FS9_XXX.pln> in FS9.", PaintFont::Text, 92, 231},
             {"User waypoints implemented into the FSX version of the plan", PaintFont::Text, 92,
              271},
             {"should be present also in the converted version.", PaintFont::Text, 92, 311},
             {AttributionLine, PaintFont::Default, 564, 502}}},
        PaintCase{"Choosing",
                  DisplayState::Choosing,
                  784,
                  542,
                  {{"Select the flightplan in FSX format:", PaintFont::Text, 50, 50},
                   {AttributionLine, PaintFont::Default, 564, 502}}},
        PaintCase{"Converted", DisplayState::Converted, 784, 542, ConvertedTexts({})},
        // The reasons in the command line's words, in its order: no type, no position, the end.
        PaintCase{
            "ConvertedWithOneLeftOut",
            DisplayState::Converted,
            784,
            542,
            ConvertedTexts({{"1 waypoint was left out: no position.", PaintFont::Text, 72, 411}}),
            {0, 1, 0}},
        PaintCase{"ConvertedEndingInsideOne",
                  DisplayState::Converted,
                  784,
                  542,
                  ConvertedTexts({{"1 waypoint was left out: the plan ends inside it.",
                                   PaintFont::Text, 72, 411}}),
                  {0, 0, 1}},
        PaintCase{"ConvertedWithEveryReason",
                  DisplayState::Converted,
                  784,
                  542,
                  ConvertedTexts({{"4 waypoints were left out: 2 no type, 1 no position, 1 the "
                                   "plan ends inside it.",
                                   PaintFont::Text, 72, 411}}),
                  {2, 1, 1}},
        PaintCase{"NotConverted",
                  DisplayState::NotConverted,
                  784,
                  542,
                  {{"Tarnwick:", PaintFont::Title, 50, 50},
                   {"Flightplan could not be converted!", PaintFont::Text, 212, 211},
                   {AttributionLine, PaintFont::Default, 564, 502}}},
        PaintCase{"WrongFormat",
                  DisplayState::WrongFormat,
                  784,
                  542,
                  {{"Tarnwick:", PaintFont::Title, 50, 50},
                   {"Wrong format - no FSX Flightplan!", PaintFont::Text, 212, 211},
                   {AttributionLine, PaintFont::Default, 564, 502}}},
        // Only a success tells of waypoints left out.
        PaintCase{"NotConvertedIgnoresTheCount",
                  DisplayState::NotConverted,
                  784,
                  542,
                  {{"Tarnwick:", PaintFont::Title, 50, 50},
                   {"Flightplan could not be converted!", PaintFont::Text, 212, 211},
                   {AttributionLine, PaintFont::Default, 564, 502}},
                  {3, 0, 0}},
        PaintCase{"NotConvertedWithThePlanKeptAside",
                  DisplayState::NotConverted,
                  784,
                  542,
                  {{"Tarnwick:", PaintFont::Title, 50, 50},
                   {"Flightplan could not be converted!", PaintFont::Text, 212, 211},
                   {"The FS9 plan is kept as FS9_Route.pln.k3x9qa.tmp", PaintFont::Text, 212, 251},
                   {AttributionLine, PaintFont::Default, 564, 502}},
                  {},
                  "FS9_Route.pln.k3x9qa.tmp"},
        // Halves drop the remainder; lines are never moved back into a small window.
        PaintCase{"OddSizeTruncates",
                  DisplayState::WrongFormat,
                  801,
                  45,
                  {{"Tarnwick:", PaintFont::Title, 50, 50},
                   {"Wrong format - no FSX Flightplan!", PaintFont::Text, 220, -38},
                   {AttributionLine, PaintFont::Default, 581, 5}}},
        PaintCase{"NarrowWindowCutsTheBlock",
                  DisplayState::Converted,
                  100,
                  150,
                  {{"Tarnwick:", PaintFont::Title, 50, 50},
                   {"Conversion successfully performed -", PaintFont::Text, -270, -25},
                   {"File Route.pln", PaintFont::Text, -270, 15},
                   {"converted to", PaintFont::Text, -270, 55},
                   {"file FS9_Route.pln", PaintFont::Text, -270, 95},
                   {"in folder", PaintFont::Text, -270, 135},
                   {"D:\\Plans\\", PaintFont::Text, -270, 175},
                   {AttributionLine, PaintFont::Default, -120, 110}}}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace tarnwick
