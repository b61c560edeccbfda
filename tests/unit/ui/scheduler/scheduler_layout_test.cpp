#include "ui/scheduler/scheduler_layout.h"

#include <gtest/gtest.h>

#include <set>

#include "ui/scheduler/scheduler_menus.h"

namespace strevo {
namespace {

// Other programs and the end-to-end scenarios find the controls by these ids.
static_assert(kShName == 1105 && kShStart == 1107 && kShDate == 1108 && kShMonday == 1111);
static_assert(kShChannel == 1122 && kShRecord == 1123 && kShMode == 1125 && kShSuffix == 1127);
static_assert(kShEnd == 1134 && kShDuration == 1136 && kShAfterEnd == 1139);
static_assert(kShAdd == 1141 && kShDelete == 1144 && kShRecorderCount == 1148 && kShRecorders == 1150);

struct Place {
  int id, x, y, w, h;
};

TEST(SchedulerLayout, ControlsStandWhereTheWindowHasThem) {
  const Place places[] = {
      {kShTaskList, 7, 25, 153, 296},  {kShName, 262, 6, 161, 21},      {kShStart, 262, 32, 51, 21},
      {kShDate, 318, 32, 81, 21},      {kShChannel, 278, 116, 147, 21}, {kShMode, 256, 163, 169, 21},
      {kShSuffix, 320, 188, 105, 21},  {kShCommand, 232, 231, 169, 21}, {kShEnd, 262, 264, 51, 21},
      {kShDuration, 363, 264, 51, 21}, {kShAfterEnd, 262, 292, 161, 21}, {kShLine1, 167, 91, 258, 2},
      {kShLine2, 167, 257, 258, 2},    {kShLine3, 167, 318, 258, 2},    {kShVerticalLine, 429, 6, 2, 340},
      {kShClock, 104, 329, 53, 14},    {kShRecorders, 435, 24, 220, 321},
  };
  for (const Place& p : places) {
    const ShControl* c = SchedulerControl(p.id);
    ASSERT_NE(c, nullptr) << p.id;
    EXPECT_EQ(c->x, p.x) << p.id;
    EXPECT_EQ(c->y, p.y) << p.id;
    EXPECT_EQ(c->width, p.w) << p.id;
    EXPECT_EQ(c->height, p.h) << p.id;
  }
  for (int d = 0; d < 7; ++d) {
    const ShControl* box = SchedulerControl(kShMonday + d);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->x, 264 + 24 * d);
    EXPECT_EQ(box->y, 58);
    EXPECT_EQ(box->width, 13);
    EXPECT_EQ(box->height, 13);
  }
  EXPECT_EQ(SchedulerControl(kShOk)->x, 272);
  EXPECT_EQ(SchedulerControl(kShCancel)->x, 352);
  EXPECT_EQ(SchedulerControl(kShOk)->width, 72);
  EXPECT_EQ(SchedulerControl(kShChannel)->listWidth, 250);
  EXPECT_EQ(SchedulerControl(kShMode)->listWidth, 280);
  EXPECT_EQ(SchedulerControl(kShAfterEnd)->listWidth, 260);
  EXPECT_EQ(SchedulerControl(kShClock)->text, "00:00:00");
  EXPECT_EQ(SchedulerControl(kShRecorderCount)->text, "0");
}

TEST(SchedulerLayout, EveryControlOnceAndInsideTheWindow) {
  std::set<int> ids;
  for (const ShControl& c : SchedulerControls()) {
    EXPECT_TRUE(ids.insert(c.id).second) << "twice: " << c.id;
    EXPECT_GE(c.x, 0) << c.id;
    EXPECT_GE(c.y, 0) << c.id;
    EXPECT_LE(c.x + c.width, kSchedulerClientWidth) << c.id;
    EXPECT_LE(c.y + c.height, kSchedulerClientHeight) << c.id;
    if (c.kind == ShControlKind::Glyph) {
      EXPECT_FALSE(c.glyph.face.empty()) << c.id;
      EXPECT_FALSE(c.tip.empty()) << c.id;
      EXPECT_TRUE(c.glyph.code != 0 || !c.text.empty()) << c.id;
    }
  }
  // Every id of the enumeration has its row.
  for (int id = kShEnabled; id <= kShRecorders; ++id) EXPECT_TRUE(ids.count(id)) << id;
  EXPECT_TRUE(ids.count(kShOk) && ids.count(kShCancel));
}

TEST(SchedulerLayout, GlyphButtons) {
  EXPECT_EQ(SchedulerControl(kShAdd)->text, "+");
  EXPECT_EQ(SchedulerControl(kShAdd)->glyph.face, "Arial");
  EXPECT_EQ(SchedulerControl(kShCopy)->glyph.code, 0x9D);
  EXPECT_EQ(SchedulerControl(kShCopy)->tip, SchedulerControl(kShCopyPlus)->tip);
  EXPECT_EQ(SchedulerControl(kShDelete)->glyph.code, 0xFB);
  EXPECT_EQ(SchedulerControl(kShDelete)->glyph.face, "Wingdings");
  EXPECT_EQ(SchedulerControl(kShSetNow)->glyph.code, 0xA6);
  EXPECT_EQ(SchedulerControl(kShHint)->glyph.code, 'i');
  EXPECT_EQ(SchedulerControl(kShHint)->tip, "Подсказка");
}

TEST(SchedulerMenus, PositionsBindTheirCommands) {
  EXPECT_EQ(kAgentMenu[0].caption, "Разбудить");
  EXPECT_TRUE(kAgentMenu[0].isDefault);
  EXPECT_EQ(kAgentMenu[2].caption, "-");
  EXPECT_EQ(AgentMenuCommand(0), AgentCommand::Wake);
  EXPECT_EQ(AgentMenuCommand(1), AgentCommand::Scheduler);
  EXPECT_EQ(AgentMenuCommand(2), AgentCommand::None);
  EXPECT_EQ(AgentMenuCommand(3), AgentCommand::Exit);
  EXPECT_EQ(AgentMenuCommand(4), AgentCommand::None);
  EXPECT_EQ(kRecorderMenu[0].caption, "Завершить");
  EXPECT_TRUE(kRecorderMenu[0].isDefault);
  EXPECT_EQ(RecorderMenuCommand(0), RecorderCommand::Finish);
  EXPECT_EQ(RecorderMenuCommand(1), RecorderCommand::None);
  EXPECT_EQ(RecorderMenuCommand(2), RecorderCommand::Show);
  EXPECT_EQ(RecorderMenuCommand(3), RecorderCommand::Hide);
  EXPECT_EQ(RecorderMenuCommand(-1), RecorderCommand::None);
}

}  // namespace
}  // namespace strevo
