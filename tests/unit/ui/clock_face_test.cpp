#include <gtest/gtest.h>

#include "fakes.h"
#include "ui/clock_face.h"

namespace lumvo::testing {
namespace {

std::string Str(Point q) { return "(" + std::to_string(q.x) + "," + std::to_string(q.y) + ")"; }

TEST(ComputeClockHandsTest, EndPointsAroundTheDial) {
  const struct {
    int h, m, s;
    Point hour, minute, second;
  } cases[] = {
      {10, 30, 45, {29, 28}, {40, 59}, {10, 40}},  // hour position -22.75 truncated to -22
      {12, 0, 0, {40, 25}, {40, 20}, {40, 10}},   {0, 0, 0, {40, 25}, {40, 20}, {40, 10}},
      {3, 0, 0, {54, 40}, {40, 20}, {40, 10}},  // 40 + 15 cos(-6.28) lies just below 55
      {15, 15, 15, {54, 41}, {60, 40}, {70, 40}}, {23, 59, 59, {38, 25}, {37, 20}, {36, 10}},
  };
  for (const auto& c : cases) {
    const ClockHands hands = ComputeClockHands({40, 40}, c.h, c.m, c.s);
    const std::string at = std::to_string(c.h) + ":" + std::to_string(c.m) + ":" + std::to_string(c.s);
    EXPECT_EQ(Str(hands.hour), Str(c.hour)) << at;
    EXPECT_EQ(Str(hands.minute), Str(c.minute)) << at;
    EXPECT_EQ(Str(hands.second), Str(c.second)) << at;
  }
}

TEST(ComputeClockCentreTest, HalvesTheCanvasTruncated) {
  EXPECT_EQ(Str(ComputeClockCentre(80, 80)), "(40,40)");
  EXPECT_EQ(Str(ComputeClockCentre(81, 81)), "(40,40)");
  EXPECT_EQ(Str(ComputeClockCentre(1, 3)), "(0,1)");
}

TEST(DrawClockFaceTest, DrawsTheLocalTimeOverACleanDial) {
  FakeProgram f;
  f.p.state.ClockCentre = {40, 40};
  f.clock.now = MakeDateTime(2015, 11, 18, 10, 30, 45);
  f.p.state.StandardTime = MakeDateTime(2015, 11, 18, 3, 0, 0);  // not what the face shows
  DrawClockFace(f.p);
  const std::vector<std::string> expected = {
      "clear",     "pen 12632256 3",   "line 29,28 40,40", "pen 12632256 2",      "line 40,59 40,40",
      "pen 255 1", "line 10,40 40,40", "pen 12632256 2",   "ellipse 37,37 43,43",
  };
  EXPECT_EQ(f.canvas.ops, expected);
}

}  // namespace
}  // namespace lumvo::testing
