#include "ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>

#include "files/LogJournal.h"
#include "protocol/Log.h"
#include "transport/TComm.h"
#include "ui/LogCfgForm.h"

namespace {

// Client width of the window as designed; the stretching controls keep the
// right margin they have at this width.
constexpr int kDesignedClientWidth = 890;
constexpr int kToolBarHeight = 49;

}  // namespace

TQZProgrammer::TQZProgrammer(JobState& jobState, QWidget* parent)
    : QMainWindow(parent,
                  Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      js(jobState),
      journal_(std::make_unique<LogJournal>()) {
  setObjectName("QZProgrammer");
  setWindowTitle("KorvanQZ-Plus Flash Programmer");
  QFont font("MS Sans Serif");
  font.setPointSize(8);
  setFont(font);

  auto* client = new QWidget(this);
  client->setObjectName("ClientArea");
  setCentralWidget(client);
  client->installEventFilter(this);

  BuildToolBar(client);
  BuildChipPage();
  BuildDataPages();
  BuildStatusBar();
  BuildMenus();
  BuildPopupMenus();
  BuildDialogsAndTimers();
  BuildSerialPorts();
  ConnectHandlers();

  // The menu's shortcuts come before the focused control's own keys.
  qApp->installEventFilter(this);

  resize(898, 678);
  // The pacing timer runs from the window's creation and idles while no slot
  // streams. The 10 ms timer would wake the program 100 times a second for
  // nothing: the engine starts it when a slot needs it (StartTicking).
  Timer2->start();
}

TQZProgrammer::~TQZProgrammer() {
  // The log's own destruction must not reach the journal any more; a window
  // that goes without a crash leaves no journal.
  InfoMemo->document()->disconnect(this);
  if (logCfgForm_) logCfgForm_->ConfigChanged = nullptr;
  journal_->Discard();
  // The job state outlives the window: leave it pointing at nothing of ours.
  if (js.LogMemo == this) js.LogMemo = nullptr;
  for (int i = 0; i < kSlotCount; ++i) {
    if (js.GaugeSlots[i] == gauges_[i].get()) js.GaugeSlots[i] = nullptr;
    if (js.CommSlots[i] == SPxComms[i]) js.CommSlots[i] = nullptr;
  }
}

// --- IView -------------------------------------------------------------------

void TQZProgrammer::AppendLogLine(const std::string& line) {
  const QTextDocument* doc = InfoMemo->document();
  // The first line of an empty log takes its one empty block.
  const int firstNew = doc->isEmpty() ? 0 : doc->blockCount();
  InfoMemo->appendPlainText(QString::fromStdString(line));
  JournalBlocksFrom(firstNew);
}

void TQZProgrammer::SetStatusPanel(int index, const std::string& text) {
  if (index >= 0 && index < static_cast<int>(StatusPanels.size()))
    StatusPanels[index]->setText(QString::fromStdString(text));
}

void TQZProgrammer::ShowMessage(const std::string& text) {
  if (MessageBoxHook) {
    MessageBoxHook(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(),
                  QString::fromStdString(text), QMessageBox::Ok, this);
  box.exec();
}

void TQZProgrammer::ShowErrorMessage(const std::string& text) {
  if (MessageBoxHook) {
    MessageBoxHook(text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, QApplication::applicationName(),
                  QString::fromStdString(text), QMessageBox::Ok, this);
  box.exec();
}

void TQZProgrammer::Post(std::function<void()> task) {
  QTimer::singleShot(0, this, std::move(task));
}

void TQZProgrammer::SetInfoPanel(const std::string& text) {
  InfoPanel->setText(QString::fromStdString(text));
}

// --- Message log -------------------------------------------------------------

void TQZProgrammer::AddInfoLine(const std::string& text) { ::AddInfoLine(js, text); }

std::vector<std::string> TQZProgrammer::LogLines() const {
  // An empty memo holds no line (its document still has one empty block).
  const QString text = InfoMemo->toPlainText();
  std::vector<std::string> lines;
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
  return lines;
}

// --- Slots and layout ----------------------------------------------------------

std::array<IGauge*, kSlotCount> TQZProgrammer::GaugePointers() {
  std::array<IGauge*, kSlotCount> out{};
  for (int i = 0; i < kSlotCount; ++i) out[i] = gauges_[i].get();
  return out;
}

void TQZProgrammer::InitSlotTables() { ::InitSlotTables(js, SlotPortPointers(), GaugePointers()); }

void TQZProgrammer::LayoutForDevices() {
  struct Layout {
    int visible;
    int memoHeight;
  };
  const int units = js.TotalDevices;
  const Layout layout = units <= 1   ? Layout{1, 455}
                        : units == 2 ? Layout{2, 431}
                        : units <= 4 ? Layout{4, 389}
                        : units <= 6 ? Layout{6, 343}
                                     : Layout{8, 300};
  // The visible gauges stack up from the bottom one at 494.
  static const int kTops[kSlotCount] = {339, 361, 383, 405, 427, 449, 471, 494};
  const int first = kSlotCount - layout.visible;
  for (int i = 0; i < kSlotCount; ++i) {
    QProgressBar* bar = GaugeBars[i];
    if (i < layout.visible) {
      bar->move(bar->x(), kTops[first + i]);
      bar->setVisible(true);
    } else {
      bar->setVisible(false);
    }
  }
  InfoMemo->resize(InfoMemo->width(), layout.memoHeight);
}

void TQZProgrammer::StretchWithWindow(int clientWidth, int clientHeight) {
  const int delta = clientWidth - kDesignedClientWidth;
  Panel1->resize(clientWidth, kToolBarHeight);
  ViewPageCtrl->setGeometry(0, kToolBarHeight, clientWidth, clientHeight - kToolBarHeight);
  ProductEditX->resize(617 + delta > 40 ? 617 + delta : 40, ProductEditX->height());
  for (QProgressBar* bar : GaugeBars)
    bar->resize(511 + delta > 40 ? 511 + delta : 40, bar->height());
}

// --- Window events -------------------------------------------------------------

bool TQZProgrammer::IsMenuShortcut(const QKeyEvent* key) const {
  const QKeySequence pressed(key->keyCombination());
  for (const QAction* action : actions())
    if (action->isVisible() && action->isEnabled() && action->shortcut() == pressed) return true;
  return false;
}

bool TQZProgrammer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // A control of this window would take the key for itself (an edit's
    // Ctrl+X cuts); a menu shortcut is left unclaimed so that it fires.
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    if (widget && widget->window() == this && IsMenuShortcut(key)) {
      event->ignore();
      return true;
    }
    return false;
  }
  if (watched == centralWidget() && event->type() == QEvent::Resize) {
    const QSize size = static_cast<QResizeEvent*>(event)->size();
    StretchWithWindow(size.width(), size.height());
  }
  return QMainWindow::eventFilter(watched, event);
}

void TQZProgrammer::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TQZProgrammer::closeEvent(QCloseEvent* event) {
  // A close asked for while the close handling runs (from inside one of its
  // boxes) is left to the one already running.
  if (closing_) {
    event->ignore();
    return;
  }
  closing_ = true;
  const bool close = FormClose();
  closing_ = false;
  if (close)
    event->accept();
  else
    event->ignore();
}

void TQZProgrammer::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (text.size() == 1 && text[0].unicode() < 0x80) {
    char key = static_cast<char>(text[0].unicode());
    FormKeyPress(key);
  }
  QMainWindow::keyPressEvent(event);
}
