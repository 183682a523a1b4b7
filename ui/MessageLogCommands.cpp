// The message log's menu commands: save it to a file, copy it.
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <cerrno>
#include <cstring>

#include "files/LogFile.h"
#include "messages/Format.h"
#include "messages/Messages.h"
#include "ui/MainWindow.h"

void TQZProgrammer::SaveInfotoFile1Click() {
  // The dialog is shared with the project save: each command sets its own.
  SaveDialogPrj.DefaultExt = "*.log";
  SaveDialogPrj.Filter = "All Log Files(*.Log)|*.log";
  const std::string path = ChooseFile(SaveDialogPrj, true);
  if (path.empty()) return;
  if (!WriteLogLines(path, LogLines(), LogWriteMode::Replace)) {
    const int error = errno;
    ShowErrorMessage(msg::FmtV(msg::Tr("Cannot create file \"%s\". %s"), path.c_str(), std::strerror(error)));
  }
}

void TQZProgrammer::CopyInformation1Click() {
  InfoMemo->selectAll();
  QGuiApplication::clipboard()->setText(InfoMemo->toPlainText());
}
