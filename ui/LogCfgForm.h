#pragma once
// The log file configuration dialog. Its controls are the log settings for
// the whole run; the main window reads them when it closes.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "ui/DialogSupport.h"
#include "ui/LogConfig.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TLogCfgForm : public QDialog {
  Q_OBJECT
 public:
  explicit TLogCfgForm(QWidget* parent = nullptr);

  QCheckBox* CheckBoxLog;
  QGroupBox* RadioGrpCreat;
  QGroupBox* RadioGrpMod;
  QLabel* Label1;
  QLineEdit* EditLogName;
  QToolButton* SpeedButtonOP;
  QPushButton* OK;

  MessageBoxFn MessageBoxHook;
  // Shows the open dialog for a log file; returns the chosen path or an
  // empty text. A test replaces it.
  std::function<QString()> OpenDialogLog;

  // Keeps *config equal to the read-outs from now on, whenever a control
  // changes (the main window's close reads it).
  void BindConfig(LogConfig* config);
  // Called after every change of the bound settings.
  std::function<void()> ConfigChanged;
  LogConfig Config() const;

  // The read-outs for the main window's close.
  bool LogEnabled() const;
  bool AutoLogName() const;
  uint8_t LogWriteMode() const;
  std::string GetLogFileName() const;

  // Index of a radio group's chosen item.
  int CreatIndex() const;
  void SetCreatIndex(int index);
  int ModIndex() const;
  void SetModIndex(int index);

  void CheckBoxLogClick();
  void RadioGrpCreatClick();
  void SpeedButtonOPClick();
  void OKClick();

 private:
  void SyncConfig();

  LogConfig* bound_ = nullptr;
  QButtonGroup* creatButtons_;
  QButtonGroup* modButtons_;
};
