#pragma once

#include <string>
#include <vector>

#include "program_state.h"
#include "tarnwick_version.h"

namespace tarnwick {

enum class PaintFont {
  Title,    // 20 pt, the headline
  Text,     // 14 pt, every descriptive and status line
  Default,  // the font the drawing surface starts with
};

// One line of text, its top left corner in client coordinates.
struct PaintedText {
  std::string text;
  PaintFont font;
  int x;
  int y;
  bool operator==(const PaintedText&) const = default;
};

// Red 0, green 255, blue 0: the field behind every text, and every text's background.
struct FillColour {
  static constexpr unsigned char Red = 0;
  static constexpr unsigned char Green = 255;
  static constexpr unsigned char Blue = 0;
};

inline constexpr const char* ProgramTitle = "Tarnwick, Vs. " TARNWICK_VERSION;
inline constexpr const char* AttributionLine = "made by the Tarnwick project";

// The lines the main window draws for `state`, in drawing order, placed for a client area of
// `width` x `height` pixels. Lines may lie partly outside it: they are clipped, never moved.
std::vector<PaintedText> TextsToPaint(const ProgramState& state, int width, int height);

}  // namespace tarnwick
