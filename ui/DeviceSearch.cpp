// The port group (refresh the list, search the listed ports for units) and
// the three events of the slots' serial ports.
#include <QComboBox>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "files/Settings.h"
#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/Senders.h"
#include "protocol/SlotSearch.h"
#include "transport/TComm.h"
#include "ui/MainWindow.h"
#include "ui/PortListView.h"
#include "ui/PortOpenFailure.h"

void TQZProgrammer::LoadPorts() {
  PortList list = LoadPortList(js, PortSource);
  ShowPortList(ComboBoxCOM, list);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (list.SlotNames[slot]) Port(slot).SetCommName(*list.SlotNames[slot]);
  }
  // A value that is no integer is told and skipped; the rest still counts.
  for (const auto& problem : list.Problems) ShowErrorMessage(problem);
}

void TQZProgrammer::BitBtnFreshClick() {
  if (RefuseSearchWhileRunning(js)) return;
  // The items go; the text the box shows stays.
  QString shown = ComboBoxCOM->currentText();
  ComboBoxCOM->blockSignals(true);
  ComboBoxCOM->clear();
  if (ComboBoxCOM->isEditable()) ComboBoxCOM->setEditText(shown);
  ComboBoxCOM->blockSignals(false);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (Port(slot).IsOpen()) Port(slot).ClosePort();
  }
  ForgetUnits(js);
  LoadPorts();
  LayoutForDevices();
}

void TQZProgrammer::BitBtnFindCOMClick() {
  if (RefuseSearchWhileRunning(js)) return;
  // Every port closes here, so no slot keeps a unit: slots beyond the list
  // would otherwise stay connected to a closed port.
  ClearSlotsForSearch(js);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (Port(slot).IsOpen()) Port(slot).ClosePort();
  }
  std::vector<std::string> entries = PortEntries(ComboBoxCOM);
  // A port that cannot be opened (a unit unplugged, a port without access)
  // is logged and passed over: it must not hide the units listed after it.
  // Its error box comes once, after every port has had its probe.
  std::optional<std::string> firstFailure;
  for (int slot = 0; slot < kSlotCount && slot < static_cast<int>(entries.size()); ++slot) {
    ArmSlotProbe(js, slot);
    SetInfoPanel("Searching Devices............");
    AddInfoLine(msg::Fmt("Checking Device %d In %s............", slot + 1, entries[slot].c_str()));
    Port(slot).SetCommName(entries[slot]);
    try {
      Port(slot).OpenPort();
    } catch (const ECommsError& e) {
      AddInfoLine(PortOpenFailureLine(entries[slot], e));
      if (!firstFailure) firstFailure = e.what();
      continue;
    }
    // Give the unit a moment after the line comes up; answers queue meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (Port(slot).IsOpen()) SendProbe(js, slot);
  }
  if (firstFailure) ShowErrorMessage(*firstFailure);
}

void TQZProgrammer::SPxCommReceiveData(const uint8_t* buffer, uint16_t length, int slot) {
  if (slot < 0 || slot >= kSlotCount || length == 0) return;
  // The engine takes the bytes: frames to discovery or the answer handling,
  // a streamed read on unit 1 to the data buffer.
  ReceiveSlotChunk(js, buffer, length, slot);
}

void TQZProgrammer::SPxCommReceiveError(uint32_t, int) {
  // The slot stays busy: its time-out still ends an operation whose unit
  // falls silent after the error, and a unit that goes on answering finishes.
}

void TQZProgrammer::SPxCommRequestHangup(int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  // Each worker thread reports a failing line, so one failure can arrive
  // twice; only the first, while the port is still open, removes an entry.
  if (!Port(slot).IsOpen()) return;
  Port(slot).ClosePort();
  // What ran on the slot fails now: no answer can come over a closed port.
  LoseSlotLine(js, slot);
  if (slot < ComboBoxCOM->count()) ComboBoxCOM->removeItem(slot);
  if (ComboBoxCOM->count() == 0) {
    ComboBoxCOM->blockSignals(true);
    if (ComboBoxCOM->isEditable()) ComboBoxCOM->setEditText(QString::fromStdString(msg::Tr("Please select COM......")));
    ComboBoxCOM->blockSignals(false);
  }
}
