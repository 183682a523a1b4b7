// What the operator sees for each kind of chip: no two shown controls lie on
// top of each other, none sticks out of its container, and every caption
// fits its control. Built with both
// message sets, as the English captions are longer than the designed ones.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ChipTestWindow.h"

namespace {

bool IsDesignedControl(const QWidget* w) {
  const QString name = w->objectName();
  return !name.isEmpty() && !name.startsWith("qt_");
}

// Every widget under root that the operator sees with the pages as chosen.
std::vector<QWidget*> ShownWidgets(QWidget* root) {
  std::vector<QWidget*> out;
  for (QWidget* w : root->findChildren<QWidget*>())
    if (w->isVisibleTo(root)) out.push_back(w);
  return out;
}

std::string Describe(const QWidget* w) {
  const QRect g = w->geometry();
  return w->objectName().toStdString() + " [" + w->metaObject()->className() + "] at " +
         std::to_string(g.x()) + "," + std::to_string(g.y()) + " " + std::to_string(g.width()) +
         "x" + std::to_string(g.height());
}

void ExpectNoOverlapsAmongSiblings(QWidget* root) {
  const std::vector<QWidget*> shown = ShownWidgets(root);
  for (size_t i = 0; i < shown.size(); ++i) {
    for (size_t j = i + 1; j < shown.size(); ++j) {
      QWidget* a = shown[i];
      QWidget* b = shown[j];
      if (a->parentWidget() != b->parentWidget()) continue;
      if (!IsDesignedControl(a) || !IsDesignedControl(b)) continue;
      // The path line lies in the tab row by design.
      if (a->objectName() == "ProductEditX" || b->objectName() == "ProductEditX") continue;
      const QRect common = a->geometry() & b->geometry();
      // The chip group and the port group share their border line.
      if (common.width() <= 1 || common.height() <= 1) continue;
      ADD_FAILURE() << Describe(a) << " overlaps " << Describe(b);
    }
  }
}

void ExpectInsideTheirParents(QWidget* root) {
  for (QWidget* w : ShownWidgets(root)) {
    if (!IsDesignedControl(w) || w->isWindow()) continue;
    EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry()))
        << "cut off by its container: " << Describe(w) << " in "
        << Describe(w->parentWidget());
  }
}

void ExpectCaptionsFit(QWidget* root) {
  for (QWidget* w : ShownWidgets(root)) {
    const bool captioned = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w) ||
                           qobject_cast<QPushButton*>(w) ||
                           (qobject_cast<QLabel*>(w) && !qobject_cast<QLabel*>(w)->text().isEmpty());
    if (!captioned) continue;
    const QWidget* owner = IsDesignedControl(w) ? w : w->parentWidget();
    EXPECT_GE(w->width(), w->sizeHint().width())
        << "caption cut: " << Describe(w) << " needs " << w->sizeHint().width() << " in " << owner->objectName().toStdString();
  }
}

// The window's first show works in the working folder and searches the
// machine's serial ports: give it an empty folder and no ports.
class WindowLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "korvan_layout_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  void ShowWithoutPorts(TQZProgrammer& window) {
    window.MessageBoxHook = [](const std::string&) {};
    window.PortSource.SysRoot = (dir_ / "no-sys").string();
    window.PortSource.DevRoot = (dir_ / "no-dev").string();
    window.PortSource.CanOpen = [](const std::string&) { return false; };
    window.show();
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

TEST_F(WindowLayout, ShownControlsNeitherOverlapNorStickOutNorCutTheirCaptions) {
  ChipTestWindow w;
  ShowWithoutPorts(w.window);
  QCoreApplication::processEvents();
  QTabWidget* pages = w.window.PageControl1;
  // Flash, I2C with the A16 choice, SPI EEPROM, Microwire and SPD chips.
  for (const char* chip : {"AT25DF321A", "M24M01x", "25xx640", "93xx46", "GT34C04-xxx"}) {
    SCOPED_TRACE(chip);
    w.Choose(chip);
    ASSERT_EQ(w.window.MCUNameEdit->text().toStdString(), chip);
    for (int page = 0; page < pages->count(); ++page) {
      if (!pages->isTabVisible(page)) continue;
      SCOPED_TRACE(pages->tabText(page).toStdString());
      pages->setCurrentIndex(page);
      QCoreApplication::processEvents();
      ExpectNoOverlapsAmongSiblings(&w.window);
      ExpectInsideTheirParents(&w.window);
      ExpectCaptionsFit(&w.window);
    }
  }
}

}  // namespace
