// The message log's journal: kept in step with the log and with the log
// settings while the program runs, and a journal an earlier run left behind
// saved as a log file at start-up.
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <cstring>
#include <ctime>

#include "files/LogFile.h"
#include "files/LogJournal.h"
#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/Log.h"
#include "ui/MainWindow.h"

namespace {

// The log lines one block of the log holds, as LogLines reads them back
// (the document's plain text: a line separator breaks the line, a
// non-breaking space is a blank).
void AddBlockLines(const QTextBlock& block, std::vector<std::string>& out) {
  QString text = block.text();
  for (QChar& c : text) {
    const char16_t u = c.unicode();
    if (u == QChar::LineSeparator || u == QChar::ParagraphSeparator || u == 0xFDD0 || u == 0xFDD1)
      c = u'\n';
    else if (u == QChar::Nbsp)
      c = u' ';
  }
  for (const QString& line : text.split(u'\n')) out.push_back(line.toStdString());
}

}  // namespace

std::string TQZProgrammer::LogJournalFolder() const { return js.AppDir + "/Log"; }

void TQZProgrammer::StartLogJournal() {
  const auto name = [](std::time_t when) { return AutoLogFileName(ShortDateText(when), LongTimeText(when)); };
  for (const RecoveredJournal& r : RecoverJournals(LogJournalFolder(), name)) {
    if (!r.logPath.empty())
      AddInfoLine(msg::FmtV(msg::Tr("The log of an earlier run has been saved to \"%s\"."), r.logPath.c_str()));
    else
      AddInfoLine(msg::FmtV(msg::Tr("The log of an earlier run in \"%s\" could not be saved: %s"),
                            r.journalPath.c_str(), std::strerror(r.error)));
  }
  // A cleared log starts its journal afresh.
  connect(InfoMemo->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int) {
    if (removed > 0 && journal_->Active()) journal_->Restart(LogLines());
  });
  journalFollowsLog_ = true;
  FollowLogConfig();
}

void TQZProgrammer::FollowLogConfig() {
  if (!journalFollowsLog_) return;
  if (!LogCfg.LogEnabled) {
    // A log that is not saved leaves no journal either.
    journal_->Discard();
    journalFailed_ = false;
    return;
  }
  if (journal_->Active() || journalFailed_) return;
  // Not tried again for every line: a folder that takes no file now is tried
  // once more when the log is switched on again.
  journalFailed_ = !journal_->Start(LogJournalFolder(), LogLines());
}

void TQZProgrammer::JournalBlocksFrom(int firstBlock) {
  if (journal_->Active() != LogCfg.LogEnabled) FollowLogConfig();
  if (!journal_->Active()) return;
  const QTextDocument* doc = InfoMemo->document();
  if (doc->isEmpty()) return;  // an empty line appended to an empty log shows nothing
  std::vector<std::string> lines;
  for (QTextBlock block = doc->findBlockByNumber(firstBlock); block.isValid(); block = block.next())
    AddBlockLines(block, lines);
  for (std::string& line : lines) journal_->Append(std::move(line));
}

void TQZProgrammer::EndLogJournal(bool logSaved) {
  // Lines that come after the close are not the day's log any more.
  journalFollowsLog_ = false;
  // A log that could not be saved is recovered by the next start instead.
  if (logSaved)
    journal_->Discard();
  else
    journal_->Keep();
}
