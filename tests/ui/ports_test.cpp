// The slots' serial port components: designed line settings, binding to the
// slot tables and to the handlers, and closing on exit.
#include <pty.h>
#include <unistd.h>

#include "transport/TComm.h"
#include "UiTestSupport.h"

using PortsTest = ScratchFolderTest;

TEST_F(PortsTest, EveryPortCarriesTheUnitsLineSettings) {
  TQZProgrammer& w = Window();
  for (int i = 0; i < kSlotCount; ++i) {
    SCOPED_TRACE(i);
    TComm* p = w.SPxComms[i];
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->objectName().toStdString(), "SPxComm" + std::to_string(i + 1));
    EXPECT_FALSE(p->IsOpen());
    EXPECT_EQ(p->CommName(), "COM2");
    EXPECT_EQ(p->BaudRate(), 1000000u);
    EXPECT_EQ(p->ByteSize(), TByteSize::_8);
    EXPECT_EQ(p->Parity(), TParity::None);
    EXPECT_FALSE(p->ParityCheck());
    EXPECT_EQ(p->StopBits(), TStopBits::_2);
    EXPECT_FALSE(p->Outx_CtsFlow());
    EXPECT_FALSE(p->Outx_DsrFlow());
    EXPECT_FALSE(p->DsrSensitivity());
    EXPECT_EQ(p->DtrControl(), TDtrControl::DtrDisable);
    EXPECT_EQ(p->RtsControl(), TRtsControl::RtsDisable);
    EXPECT_FALSE(p->Outx_XonXoffFlow());
    EXPECT_FALSE(p->Inx_XonXoffFlow());
    EXPECT_FALSE(p->TxContinueOnXoff());
    EXPECT_EQ(p->XonLimit(), 10);
    EXPECT_EQ(p->XoffLimit(), 10);
    EXPECT_EQ(p->XonChar(), '0');
    EXPECT_EQ(p->XoffChar(), '0');
    EXPECT_FALSE(p->ReplaceWhenParityError());
    EXPECT_FALSE(p->IgnoreNullChar());
    EXPECT_EQ(p->ReplacedChar(), 0);
    EXPECT_EQ(p->ReadIntervalTimeout(), 3u);
    EXPECT_EQ(p->ReadTotalTimeoutMultiplier(), 0u);
    EXPECT_EQ(p->ReadTotalTimeoutConstant(), 0u);
    EXPECT_EQ(p->WriteTotalTimeoutMultiplier(), 0u);
    EXPECT_EQ(p->WriteTotalTimeoutConstant(), 0u);
    // Receive, error and hang-up go to the window; the other two stay unbound.
    EXPECT_TRUE(p->OnReceiveData);
    EXPECT_TRUE(p->OnReceiveError);
    EXPECT_TRUE(p->OnRequestHangup);
    EXPECT_FALSE(p->OnModemStateChange);
    EXPECT_FALSE(p->OnSendDataEmpty);
  }
  EXPECT_EQ(w.SPxComm1, w.SPxComms[0]);
  EXPECT_EQ(w.SPxComm8, w.SPxComms[7]);
}

TEST_F(PortsTest, SlotTablesPointAtThePortsInOrder) {
  TQZProgrammer& w = ShownWindow();
  for (int i = 0; i < kSlotCount; ++i)
    EXPECT_EQ(Js().CommSlots[i], static_cast<ISlotPort*>(w.SPxComms[i])) << i;
}

TEST_F(PortsTest, ClosingTheWindowClosesOpenPortsFirst) {
  int master = -1, slave = -1;
  char name[128];
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  TQZProgrammer& w = ShownWindow();
  w.SPxComm3->SetCommName(name);
  w.SPxComm3->OpenPort();
  ASSERT_TRUE(w.SPxComm3->IsOpen());
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(w.SPxComm3->IsOpen());
  close(slave);
  close(master);
}

TEST_F(PortsTest, ExitClosesOpenPorts) {
  int master = -1, slave = -1;
  char name[128];
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  TQZProgrammer& w = ShownWindow();
  w.SPxComm1->SetCommName(name);
  w.SPxComm1->OpenPort();
  w.SpdBtnExitClick();
  EXPECT_FALSE(w.SPxComm1->IsOpen());
  EXPECT_FALSE(w.isVisible());
  close(slave);
  close(master);
}
