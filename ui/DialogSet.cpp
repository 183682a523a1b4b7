// The dialogs of the main window: one of each for the whole run, so each
// keeps its controls from one showing to the next.
#include "ui/AboutForm.h"
#include "ui/ConfigSNForm.h"
#include "ui/DataViewForm.h"
#include "ui/LogCfgForm.h"
#include "ui/MainWindow.h"
#include "ui/RdSetForm.h"
#include "ui/SetAdrForm.h"

namespace {

// The dialog's boxes go where the window's go.
template <typename Form>
void RouteBoxes(Form* form, TQZProgrammer* window) {
  form->MessageBoxHook = [window](const std::string& text) { window->ShowMessage(text); };
}

}  // namespace

TAboutForm& TQZProgrammer::AboutForm() {
  if (!aboutForm_) aboutForm_ = new TAboutForm(this);
  return *aboutForm_;
}

TRdSetForm& TQZProgrammer::RdSetForm() {
  if (!rdSetForm_) rdSetForm_ = new TRdSetForm(js, this);
  return *rdSetForm_;
}

TSetAdrForm& TQZProgrammer::SetAdrForm() {
  if (!setAdrForm_) {
    setAdrForm_ = new TSetAdrForm(js, this);
    RouteBoxes(setAdrForm_, this);
  }
  return *setAdrForm_;
}

TLogCfgForm& TQZProgrammer::LogCfgForm() {
  if (!logCfgForm_) {
    logCfgForm_ = new TLogCfgForm(this);
    RouteBoxes(logCfgForm_, this);
    logCfgForm_->ConfigChanged = [this] { FollowLogConfig(); };
    logCfgForm_->BindConfig(&LogCfg);
  }
  return *logCfgForm_;
}

TConfigSNForm& TQZProgrammer::ConfigSNForm() {
  if (!configSNForm_) {
    configSNForm_ = new TConfigSNForm(js, this);
    RouteBoxes(configSNForm_, this);
  }
  return *configSNForm_;
}

TDataViewForm& TQZProgrammer::DataViewForm() {
  if (!dataViewForm_) {
    dataViewForm_ = new TDataViewForm(js, this);
    RouteBoxes(dataViewForm_, this);
  }
  return *dataViewForm_;
}

void TQZProgrammer::N5Click() { LogCfgForm().exec(); }

void TQZProgrammer::ViewDataBuffer1Click() {
  if (js.ChipSelected) DataViewForm().exec();
}
