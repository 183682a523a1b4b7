#pragma once
// The main window: every control of the operator interface, the slots' port
// components and gauges, the two timers and the menus. Its handlers are the
// entry points of all operator actions; the engine reaches the window only
// through IView (log, status bar, message boxes, device panel) and the gauges.
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files/Settings.h"
#include "protocol/JobState.h"
#include "protocol/SettingsCollection.h"
#include "protocol/View.h"
#include "ui/FileDialogSpec.h"
#include "ui/Gauge.h"
#include "ui/LogConfig.h"
#include "ui/RadioGroup.h"

class QAction;
class QKeyEvent;
class TAboutForm;
class TChipSeltForm;
class TConfigSNForm;
class TDataViewForm;
class TLogCfgForm;
class LogJournal;
class TRdSetForm;
class TSetAdrForm;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTimer;
class QToolButton;
class TComm;

class TQZProgrammer : public QMainWindow, public IView {
  Q_OBJECT
 public:
  explicit TQZProgrammer(JobState& js, QWidget* parent = nullptr);
  ~TQZProgrammer() override;

  JobState& js;

  // --- IView ----------------------------------------------------------------
  void AppendLogLine(const std::string& line) override;
  void SetStatusPanel(int index, const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  void ShowErrorMessage(const std::string& text) override;
  void SetInfoPanel(const std::string& text) override;
  void Post(std::function<void()> task) override;
  void ShowHexRange(uint32_t first, uint32_t last) override;
  void SetBusyCursor(bool busy) override;

  // Every modal box of the window (message and error boxes) goes through
  // here when set; a test sets it to record the texts instead of blocking.
  std::function<void(const std::string&)> MessageBoxHook;

  // "> " + time + " " + text as a new last line of the log.
  void AddInfoLine(const std::string& text);
  // The lines of InfoMemo, first to last (none when it is empty).
  std::vector<std::string> LogLines() const;

  // The chip selection popup the chip button opens; none opens without it.
  void SetChipForm(TChipSeltForm* form) { chipForm_ = form; }

  // Gauge positions and log height by TotalDevices.
  void LayoutForDevices();
  // Slot tables to idle, bound to this window's ports and gauges.
  void InitSlotTables();

  // The slots' gauges as the engine drives them (GaugeSlots points here).
  TGauge& Gauge(int slot) { return *gauges_[slot]; }

  // Log-file settings read by FormClose; the log dialog keeps them in step
  // with its controls.
  LogConfig LogCfg;
  // The journal starts or goes as LogCfg switches the log on or off.
  void FollowLogConfig();

  // Chooses a file through spec's dialog (save: a save dialog); an empty
  // text when the operator cancels. A test sets FileDialogHook instead.
  std::function<std::string(const TFileDialogSpec& spec, bool save)> FileDialogHook;
  std::string ChooseFile(const TFileDialogSpec& spec, bool save);

  // --- Dialogs, created when first wanted and kept for the run -------------
  TAboutForm& AboutForm();
  TRdSetForm& RdSetForm();
  TSetAdrForm& SetAdrForm();
  TLogCfgForm& LogCfgForm();
  TConfigSNForm& ConfigSNForm();
  TDataViewForm& DataViewForm();

  // The data page's hex grid over DataBuffer from first to last.
  void FillHexViewer(uint32_t first, uint32_t last);

  // --- Tool bar ---------------------------------------------------------------
  QFrame* Panel1;
  QToolButton* SpdBtnExit;
  QToolButton* SpdBtnOpen;
  QToolButton* SpdBtnSave;
  QToolButton* SpdBtnDownLoad;
  QToolButton* SpeedButtonRD;
  QToolButton* SpdBtnAutoP;
  QToolButton* SpdBtnBlkChk;
  QToolButton* SpdBtnErase;
  QToolButton* SpdBtnProg;
  QToolButton* SpdBtnVerify;
  QLineEdit* ProductEditX;

  // --- Pages ------------------------------------------------------------------
  QTabWidget* ViewPageCtrl;
  QWidget* TabSheetChip;
  QWidget* TabSheetFlash;
  QWidget* TabSheetRdData;

  QLabel* InfoPanel;
  QPlainTextEdit* InfoMemo;
  QProgressBar* GaugeBar1;
  QProgressBar* GaugeBar2;
  QProgressBar* GaugeBar3;
  QProgressBar* GaugeBar4;
  QProgressBar* GaugeBar5;
  QProgressBar* GaugeBar6;
  QProgressBar* GaugeBar7;
  QProgressBar* GaugeBar8;
  std::array<QProgressBar*, kSlotCount> GaugeBars{};

  // Chip group.
  QGroupBox* GroupBox2;
  QLabel* Label5;
  QLineEdit* MCUNameEdit;
  QToolButton* DevButton;
  QLabel* Label8;
  QLabel* lbFlashSize;
  QCheckBox* ChkBoxCPES;
  TRadioGroup* RadioGpVolt;
  TRadioGroup* RadioGroupSpd;
  QGroupBox* GroupBoxCtrl;
  QCheckBox* EnBlankChk;
  QCheckBox* EnEraseChk;
  QCheckBox* EnProgChk;
  QCheckBox* EnVerifyChk;

  QTabWidget* PageControl1;
  QWidget* TabChipSet;
  QWidget* TabProCtrl;
  QWidget* TabSheetDP;

  // Chip options page.
  QLabel* LabelWP;
  QComboBox* ComBoxWP8;
  QComboBox* ComBoxWPF;
  QCheckBox* ChkBoxSRWD;
  QCheckBox* CheckBoxQE;
  QCheckBox* CheckBoxWRP;
  QLabel* LabelDevAdr;
  QLineEdit* EditDevAdrX;
  TRadioGroup* RadioGroupA61;
  QCheckBox* ChkBoxNotBLK;
  QLabel* LabelRD;
  QLineEdit* EditRD;
  QPushButton* Button1;

  // Programmer control page.
  QLabel* LabelSNC;
  QLineEdit* SNEdit;
  QLabel* LabelSnGain;
  QLineEdit* GainEdit;
  QLabel* LabelSNAddr;
  QLineEdit* AddrEdit;
  QCheckBox* CheckBoxSN;
  QCheckBox* ChkBoxPCSN;
  QCheckBox* SNOrderChk;
  QCheckBox* ChkBoxStrSN;
  QCheckBox* ChkBoxLSP;
  QPushButton* BitBtnFixSN;
  QCheckBox* ChkBoxNumb;
  QSpinBox* SpinEditNumb;
  QLabel* Label1;
  QSpinBox* SpinEditPTM;
  QLabel* Label2;
  QSpinBox* SpinPowDown;
  QCheckBox* CheckBoxAut;
  QLabel* LabelTimIn;
  QSpinBox* SpinEditIn;
  QLabel* LabelTimOut;
  QSpinBox* SpinEditOut;

  // Checksum display page.
  TRadioGroup* RadioGrpSumDP;
  TRadioGroup* RadioGroupX;

  // Port group.
  QGroupBox* GroupBox4;
  QLabel* Label9;
  QComboBox* ComboBoxCOM;
  QPushButton* BitBtnFresh;
  QPushButton* BitBtnFindCOM;

  // Data pages (string grids: row 0 and column 0 are their header cells).
  QTableView* HexViewer;
  QTableView* RdDatView;

  // --- Status bar -------------------------------------------------------------
  QStatusBar* StatusBar1;
  std::array<QLabel*, 4> StatusPanels{};

  // --- Main menu --------------------------------------------------------------
  QMenuBar* MainMenu1;
  QMenu* File1;
  QAction* Execute1;
  QAction* SaveFile1;
  QAction* N14;
  QAction* N5;
  QAction* SaveInfotoFile2;
  QAction* N2;
  QAction* ViewDataBuffer1;
  QAction* N6;
  QAction* Exit1;
  QMenu* Execute2;
  QAction* Download1;
  QAction* ReadFlash1;
  QAction* N15;
  QAction* BlankCheck1;
  QAction* EraseChip1;
  QAction* Programming1;
  QAction* VeriufyDownload1;
  QAction* N12;
  QAction* AutoProgram1;
  QAction* AddressWrite1;
  QAction* N1;
  QAction* ReadChipIDandStatus1;
  QAction* DoFirmwareUpgrade1;
  QAction* DoOffLineMonitor1;
  QMenu* Project1;
  QAction* LoadFromTesmelProject;
  QAction* SaveToTesmelProject;
  QMenu* Help1;
  QAction* About1;

  // --- Popup menus ------------------------------------------------------------
  QMenu* PopupMenu2;
  QAction* ClearInformation1;
  QAction* CopyInformation1;
  QAction* SaveInfotoFile1;
  QMenu* PopupMenu1RD;
  QAction* SavetoFile1;

  // --- File dialogs -----------------------------------------------------------
  TFileDialogSpec OpenDialog1;
  TFileDialogSpec SaveDialog1;
  TFileDialogSpec OpenDialogPrj;
  TFileDialogSpec SaveDialogPrj;

  // --- Timers -----------------------------------------------------------------
  QTimer* Timer1;  // 10 ms: slot time-outs; runs only while a slot needs it
  QTimer* Timer2;  // 170 ms: paced download

  // --- Serial port components -------------------------------------------------
  // One per slot, SPxComm1 for slot 0; their events go to the one handler of
  // each event with the slot index.
  TComm* SPxComm1;
  TComm* SPxComm2;
  TComm* SPxComm3;
  TComm* SPxComm4;
  TComm* SPxComm5;
  TComm* SPxComm6;
  TComm* SPxComm7;
  TComm* SPxComm8;
  std::array<TComm*, kSlotCount> SPxComms{};
  TComm& Port(int slot) { return *SPxComms[slot]; }

  // Where the machine's serial ports are looked for when there is no
  // settings file; tests point it at a tree of their own.
  SerialPortSource PortSource;

 public slots:
  // Start-up and shut-down.
  void FormShow();
  bool FormClose();  // false: the window stays open
  void SpdBtnExitClick();

  // Device search and port events (one routine for all eight ports).
  void BitBtnFreshClick();
  void BitBtnFindCOMClick();
  void SPxCommReceiveData(const uint8_t* buffer, uint16_t length, int slot);
  void SPxCommReceiveError(uint32_t eventMask, int slot);
  void SPxCommRequestHangup(int slot);

  // Timers.
  void Timer1Timer();
  void Timer2Timer();

  // Operation commands.
  void SpdBtnDownLoadClick();
  void SpeedButtonRDClick();
  void SpdBtnAutoPClick();
  void BlankCheck1Click();
  void SpdBtnEraseClick();
  void SpdBtnProgClick();
  void SpdBtnVerifyClick();
  void AddressWrite1Click();
  void ReadChipIDandStatus1Click();
  void DoFirmwareUpgrade1Click();
  void DoOffLineMonitor1Click();
  // Slot-1 reads bound to no control: the unit's stored image, the chip's DID.
  void ReadIntMemClick();
  void BtnRdDIDClick();

  // Control settings and chip-dependent controls.
  void DevButtonClick();
  // Shows a chip name in MCUNameEdit; a name other than the one shown runs
  // the chip change. The only way the program sets the name: the edit's own
  // change signal runs no handler.
  void ShowChipName(const QString& name);
  void MCUNameEditChange();
  // Sets the interface voltage choice and runs RadioGpVoltClick when the
  // choice changes, as a click would.
  void SetVoltageChoice(int index);
  void RadioGpVoltClick();
  void ComBoxWP8Change();
  void ComBoxWPFChange();
  void ChkBoxSRWDClick();
  void CheckBoxAutClick();
  void RadioGrpSumDPClick();
  void RadioGroupXClick();
  void ComboBoxCOMChange();
  void ClearInformation1Click();
  void About1Click();
  void Button1Click();
  // The states of the controls that the settings are collected from, as a
  // command hands them to the engine.
  ControlStates ReadControlStates() const;
  // Copies the operator's settings into the job state and logs them before a
  // command. False when a number field holds no integer: the conversion error
  // has been shown and the command must not start.
  bool CollectControlSettings();

  // Serial numbers.
  void CheckBoxSNClick();
  void ChkBoxStrSNClick();
  void SpinEditNumbChange();
  void BitBtnFixSNClick();
  // The online serial number into DataBuffer before Auto and Program.
  void InsertSNIntoBuffer();
  // Image bytes changed in place, shown anew in the hex grid (IView).
  void ShowImageBytes(uint32_t first, uint32_t count) override;
  // The online serial number has moved on (IView).
  void ShowSerialNumber(uint32_t value) override;
  // OnlineSN follows "Enable S/N" and "Enable Online S/N".
  void KeepOnlineSNInStep();
  // The byte count of a streamed read in EditRD (IView).
  void ShowReadCount(uint32_t count) override;
  // Timer1 runs from now until a tick finds nothing to watch (IView).
  void StartTicking() override;

  // Data buffer loading and views.
  void FileOpenBtnClick();
  void FileSaveBtnClick();
  // "User Chip Size": the loaded range again, whole chip or trimmed.
  void ChkBoxCPESClick();
  void SavetoFile1Click();
  void FormKeyPress(char& key);

  // Project and message-log menu commands.
  void N5Click();
  void SaveInfotoFile1Click();
  void CopyInformation1Click();
  void ViewDataBuffer1Click();
  void LoadFromTesmelProjectClick();
  void SaveToTesmelProjectClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildToolBar(QWidget* client);
  void BuildChipPage();
  void BuildChipGroup(QWidget* page);
  void BuildChipOptionsPage(QWidget* page);
  void BuildProgrammerPage(QWidget* page);
  void BuildChecksumPage(QWidget* page);
  void BuildPortGroup(QWidget* page);
  void BuildDataPages();
  void BuildStatusBar();
  void BuildMenus();
  void BuildPopupMenus();
  void BuildDialogsAndTimers();
  void BuildSerialPorts();
  void ConnectHandlers();

  // FormShow's steps.
  void SizeHexGrids();
  void SetEnglishCaptions();
  void CheckFirmwareImage();
  void LoadPorts();

  // The message log's journal in the log folder (ui/LogJournalFeed.cpp):
  // a journal left behind is saved as a log file, then this run's starts.
  void StartLogJournal();
  std::string LogJournalFolder() const;
  // The log's blocks from firstBlock on have just been appended.
  void JournalBlocksFrom(int firstBlock);
  // At close: the journal goes once the log is saved, else it stays.
  void EndLogJournal(bool logSaved);
  std::unique_ptr<LogJournal> journal_;
  bool journalFollowsLog_ = false;  // from the log folder step of FormShow on
  bool journalFailed_ = false;      // no journal could be created

  std::array<ISlotPort*, kSlotCount> SlotPortPointers();
  std::array<IGauge*, kSlotCount> GaugePointers();
  void CloseOpenPorts();

  std::array<std::unique_ptr<TGauge>, kSlotCount> gauges_;
  TAboutForm* aboutForm_ = nullptr;
  TRdSetForm* rdSetForm_ = nullptr;
  TSetAdrForm* setAdrForm_ = nullptr;
  TLogCfgForm* logCfgForm_ = nullptr;
  TConfigSNForm* configSNForm_ = nullptr;
  TDataViewForm* dataViewForm_ = nullptr;
  TChipSeltForm* chipForm_ = nullptr;
  bool shown_ = false;    // FormShow runs at the first show only
  int voltIndex_ = 0;     // the RadioGpVolt choice in force in CtrlFlags
  bool closing_ = false;  // the close handling runs once
  // Controls that stretch with the window keep their right margin.
  void StretchWithWindow(int clientWidth, int clientHeight);
  // A key of one of the window-wide menu shortcuts.
  bool IsMenuShortcut(const QKeyEvent* key) const;
};
