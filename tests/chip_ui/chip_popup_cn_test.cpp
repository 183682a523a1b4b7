// The chip popup in the Chinese build: the form's own captions stay and the
// ESP8285 entry can be chosen.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "ChipTestWindow.h"

namespace {

int CountVisibleEntries(QMenu* menu) {
  int n = 0;
  for (QAction* a : menu->actions()) {
    if (!a->isVisible() || a->isSeparator()) continue;
    n += a->menu() != nullptr ? CountVisibleEntries(a->menu()) : 1;
  }
  return n;
}

TEST(ChipPopupChinese, KeepsTheFormCaptionsAndOffersTheEsp8285) {
  ChipTestWindow w;
  w.form->show();
  EXPECT_EQ(CountVisibleEntries(w.form->PopupMenuQZ()), 195);
  EXPECT_EQ(w.form->SubmenuFor(MenuGroup::OtherMakers)->title(), QStringLiteral("其他厂家"));
  EXPECT_EQ(w.form->SubmenuFor(MenuGroup::GenericSizes)->title(), QStringLiteral("通用型号"));
  EXPECT_EQ(w.form->SubmenuFor(MenuGroup::HuaHong)->title(), QStringLiteral("华虹（Zealcore）"));
  EXPECT_TRUE(w.form->SubmenuFor(MenuGroup::Espressif)->menuAction()->isVisible());
  EXPECT_EQ(w.form->Label1()->text(), QStringLiteral("点击选择芯片....."));
  for (const char* hidden : {"NPC79nXBxx(8M)", "NPC79nXCxx (4M)", "AG9311-MAQ", "AG9311-MCQ"}) {
    EXPECT_FALSE(w.form->ActionFor(hidden)->isVisible()) << hidden;
  }
  w.form->hide();
}

TEST(ChipPopupChinese, ChoosingEsp8285SetsItsModeAndHidesTheProtectionControls) {
  ChipTestWindow w;
  w.Choose("ESP8285");
  EXPECT_EQ(w.js->Esp8285Mode, 1);
  EXPECT_EQ(w.js->ChipSize, 1024u * 1024);
  EXPECT_TRUE(w.Hidden("LabelWP"));
  EXPECT_TRUE(w.Hidden("ComBoxWP8"));
  EXPECT_TRUE(w.Hidden("ComBoxWPF"));
  EXPECT_TRUE(w.Hidden("ChkBoxSRWD"));
  EXPECT_FALSE(w.Hidden("CheckBoxQE"));
}

}  // namespace
