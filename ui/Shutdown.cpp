// Shut-down: the Exit command and the close handling that closes the ports
// and saves the message log.
#include "protocol/Log.h"
#include "ui/LogOnClose.h"
#include "ui/MainWindow.h"

void TQZProgrammer::SpdBtnExitClick() {
  CloseOpenPorts();
  close();
}

bool TQZProgrammer::FormClose() {
  // The worker threads stop before any file is written.
  CloseOpenPorts();
  const LogCloseResult result =
      SaveLogOnClose(LogCfg, js.AppDir, LogLines(), ShortDateText(), LongTimeText());
  if (!result.keepWindowOpen) EndLogJournal(!result.failed);
  if (!result.message.empty()) {
    // A file the operator named that cannot be written is an error like any
    // other the handler does not catch.
    if (result.keepWindowOpen)
      ShowErrorMessage(result.message);
    else
      ShowMessage(result.message);
  }
  return !result.keepWindowOpen;
}
