#include "protocol/ReceivedFrame.h"

#include "protocol/JobState.h"

ReceivedFrame DecodeSlotFrame(JobState& js, std::span<const uint8_t> frame, int slot) {
  auto& area = js.RxPacket[slot];
  size_t length = 0;
  ReceivedFrame received{frame, DecodeCutFrame(frame, area, length), {}};
  if (received.decoded == kFrameOk) received.packet = std::span<const uint8_t>(area.data(), length);
  return received;
}
