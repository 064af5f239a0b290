#include "ui/clock_face.h"

#include <cmath>

namespace lumvo {
namespace {

// The dial's own constant, not 2 pi: the hands it gives match the dial picture.
constexpr double kTurn = 6.28;
constexpr double kPositionsPerTurn = 60;
constexpr int kHourLength = 15, kMinuteLength = 20, kSecondLength = 30;
constexpr uint32_t kSilver = 0xC0C0C0, kRed = 0x0000FF;
constexpr int kHourWidth = 3, kMinuteWidth = 2, kSecondWidth = 1, kDotWidth = 2;
constexpr int kDotRadius = 3;

// p counts minutes of the dial from the 3 o'clock direction; canvas y grows downwards, so p turns
// clockwise.
Point HandEnd(Point centre, int p, int length) {
  const double angle = p * kTurn / kPositionsPerTurn;
  return Point{static_cast<int>(centre.x + std::cos(angle) * length),
               static_cast<int>(centre.y + std::sin(angle) * length)};
}

}  // namespace

ClockHands ComputeClockHands(Point centre, int hour, int minute, int second) {
  const int h0 = hour - 15, m0 = minute - 15, s0 = second - 15;
  // The hour hand moves on with the minutes but stops on whole minute positions.
  const int hourPosition = static_cast<int>(h0 * 5 + m0 / 12.0 + 1);
  return ClockHands{HandEnd(centre, hourPosition, kHourLength), HandEnd(centre, m0, kMinuteLength),
                    HandEnd(centre, s0, kSecondLength)};
}

Point ComputeClockCentre(int width, int height) {
  return Point{static_cast<int>(width / 2.0), static_cast<int>(height / 2.0)};
}

void DrawClockFace(Program& p) {
  Canvas& canvas = p.canvas;
  const Point c = p.state.ClockCentre;
  canvas.Clear();
  const CivilTime now = SplitDateTime(p.clock.LocalNow());
  const ClockHands hands = ComputeClockHands(c, now.hour, now.minute, now.second);
  canvas.SetPen(kSilver, kHourWidth);
  canvas.Line(hands.hour.x, hands.hour.y, c.x, c.y);
  canvas.SetPen(kSilver, kMinuteWidth);
  canvas.Line(hands.minute.x, hands.minute.y, c.x, c.y);
  canvas.SetPen(kRed, kSecondWidth);
  canvas.Line(hands.second.x, hands.second.y, c.x, c.y);
  canvas.SetPen(kSilver, kDotWidth);
  canvas.Ellipse(c.x - kDotRadius, c.y - kDotRadius, c.x + kDotRadius, c.y + kDotRadius);
}

}  // namespace lumvo
