#pragma once
// What the worker threads report to the component's hidden window.
#include <cstdint>
#include <memory>

enum TNoticeMessage : int {
  MsgReceiveData = 1025,
  MsgReceiveError = 1026,
  MsgRequestHangup = 1027,
  MsgModemState = 1028,
  MsgSendDataEmpty = 1029,
};

struct TNotice {
  TNoticeMessage Message = MsgRequestHangup;
  // Byte count for MsgReceiveData, error flags or modem value otherwise.
  uint32_t Value = 0;
  // MsgReceiveData only: Value bytes followed by one zero byte.
  std::unique_ptr<uint8_t[]> Block;
  // The open of the port whose workers posted it; set when it is queued.
  uint32_t Generation = 0;
};
