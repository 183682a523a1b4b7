#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "protocol/Checks.h"
#include "protocol/Frames.h"
#include "protocol/JobState.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Range(uint8_t first, size_t count) {
  Bytes out(count);
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(first + i);
  return out;
}

// A packet with header, payload and its check value.
Bytes MakePacket(Bytes payload, uint8_t command = 0x93) {
  Bytes p(8 + payload.size());
  p[0] = command;
  p[4] = 0xA0;
  p[5] = 0x01;
  p[6] = static_cast<uint8_t>(payload.size());
  p[7] = static_cast<uint8_t>(payload.size() >> 8);
  std::copy(payload.begin(), payload.end(), p.begin() + 8);
  uint16_t crc = PacketCRC16(p.data(), 0, static_cast<uint32_t>(p.size() - 1));
  p.push_back(static_cast<uint8_t>(crc));
  p.push_back(static_cast<uint8_t>(crc >> 8));
  return p;
}

struct DecodeResult {
  uint8_t result;
  Bytes packet;
  Bytes rest;
  size_t packetLength;  // as DecodeFrame left it (12345 when untouched)
};

DecodeResult Decode(Bytes source, size_t capacity = kTxPacketSize) {
  Bytes packet(capacity + 16, 0xEE);  // guard bytes behind the capacity
  size_t packetLength = 12345;
  size_t sourceLength = source.size();
  uint8_t r = DecodeFrame(source.data(), packet.data(), capacity, packetLength, sourceLength);
  for (size_t i = capacity; i < packet.size(); ++i) {
    EXPECT_EQ(packet[i], 0xEE) << "written past the packet area at " << i;
  }
  DecodeResult out{r, {}, Bytes(source.begin(), source.begin() + sourceLength), packetLength};
  if (r == kFrameOk) out.packet.assign(packet.begin(), packet.begin() + packetLength);
  return out;
}

Bytes Encode(const Bytes& packet) {
  Bytes frame(MaxFrameLength(packet.size()));
  size_t n = EncodeFrame(packet.data(), packet.size(), frame.data(), frame.size());
  frame.resize(n);
  return frame;
}

}  // namespace

TEST(Frames, EncodeEscapesMarksAndPads) {
  struct Case {
    Bytes packet;
    Bytes frame;
  };
  const Case cases[] = {
      {Range(1, 10), Concat({{0xC0}, Range(1, 10), {0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}})},
      {{0x01, 0xC0, 0x02, 0xDB, 0x03},
       {0xC0, 0x01, 0xDB, 0xDC, 0x02, 0xDB, 0xDD, 0x03, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {{0xDC, 0xDD}, {0xC0, 0xDC, 0xDD, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const auto& c : cases) EXPECT_EQ(Encode(c.packet), c.frame);
  // Ten plain bytes give 17 frame bytes; each mark or escape in them adds one.
  Bytes ten = Range(1, 10);
  EXPECT_EQ(Encode(ten).size(), 17u);
  ten[3] = 0xC0;
  ten[7] = 0xDB;
  EXPECT_EQ(Encode(ten).size(), 19u);
}

TEST(Frames, EncodeRefusesAFrameAreaTooSmall) {
  Bytes packet(100, 0xC0);
  Bytes frame(150, 0x11);
  EXPECT_EQ(EncodeFrame(packet.data(), packet.size(), frame.data(), frame.size()), 0u);
  EXPECT_EQ(frame, Bytes(150, 0x11));
  packet.assign(100, 0x00);  // needs only 107
  EXPECT_EQ(EncodeFrame(packet.data(), packet.size(), frame.data(), 107), 107u);
}

TEST(Frames, DecodeEdgeCases) {
  const Bytes ten = Range(1, 10);
  struct Case {
    const char* name;
    Bytes source;
    uint8_t result;
    Bytes packet;  // when the result is kFrameOk
    Bytes rest;
  };
  const Case cases[] = {
      {"doubled opening mark", Concat({{0xC0, 0xC0}, ten, {0xC0}}), kFrameOk, ten, {}},
      {"bytes before the frame are skipped", Concat({{0x55, 0xFF, 0xC0}, ten, {0xC0, 0x77}}),
       kFrameOk, ten, {0x77}},
      {"escapes undone", Concat({{0xC0}, ten, {0xDB, 0xDC, 0xDB, 0xDD, 0xC0}}), kFrameOk,
       Concat({ten, {0xC0, 0xDB}}), {}},
      {"closing mark right after an escape byte", Concat({{0xC0}, ten, {0xDB, 0xC0, 0x66}}), kFrameOk,
       ten, {0x66}},
      {"no closing mark", Concat({{0xC0}, ten}), kFrameIncomplete, {}, Concat({{0xC0}, ten})},
      {"no mark at all", {1, 2, 3}, kFrameIncomplete, {}, {1, 2, 3}},
      {"bad escape", {0xC0, 0x01, 0xDB, 0x41, 0x02, 0xC0}, kFrameMalformed, {}, {0x02, 0xC0}},
      {"bad escape at the end", {0xC0, 0x01, 0xDB, 0x41}, kFrameMalformed, {}, {}},
      {"seven packet bytes", Concat({{0xC0}, Range(1, 7), {0xC0, 0x99}}), kFrameMalformed, {},
       {0x99}},
      {"eight packet bytes", Concat({{0xC0}, Range(1, 8), {0xC0}}), kFrameOk, Range(1, 8), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DecodeResult d = Decode(c.source);
    EXPECT_EQ(d.result, c.result);
    if (c.result == kFrameOk) {
      EXPECT_EQ(d.packet, c.packet);
    }
    EXPECT_EQ(d.rest, c.rest);
    // An incomplete frame leaves the packet length alone; a bad escape clears it.
    if (c.result == kFrameIncomplete) {
      EXPECT_EQ(d.packetLength, 12345u);
    }
    if (c.source.size() > 2 && c.source[2] == 0xDB && c.result == kFrameMalformed) {
      EXPECT_EQ(d.packetLength, 0u);
    }
  }
}

TEST(Frames, DecodeNeverWritesPastThePacketArea) {
  // A frame one byte longer than the area, in plain and in escaped bytes.
  for (uint8_t fill : {uint8_t{0x11}, uint8_t{0xC0}}) {
    SCOPED_TRACE(int{fill});
    Bytes tooLong = Encode(Bytes(65, fill));
    tooLong.resize(tooLong.size() - 5);  // no padding, so "rest" is what follows
    tooLong.push_back(0x42);
    DecodeResult d = Decode(tooLong, 64);
    EXPECT_EQ(d.result, kFrameMalformed);
    EXPECT_EQ(d.rest, Bytes{0x42});  // the whole frame is dropped, nothing behind it

    Bytes fits = Encode(Bytes(64, fill));
    d = Decode(fits, 64);
    EXPECT_EQ(d.result, kFrameOk);
    EXPECT_EQ(d.packet, Bytes(64, fill));
  }
  // Still open and already too long: it can never decode, so it goes.
  Bytes open = Concat({{0xC0}, Bytes(100, 0x11)});
  DecodeResult d = Decode(open, 64);
  EXPECT_EQ(d.result, kFrameMalformed);
  EXPECT_TRUE(d.rest.empty());
}

TEST(Frames, LargestAnswerFitsTheSlotAreas) {
  // A full packet area of marks escapes to the largest frame a slot must take.
  Bytes packet(kTxPacketSize, 0xC0);
  Bytes frame = Encode(packet);
  EXPECT_EQ(frame.size(), kTxFrameSize);
  EXPECT_LE(frame.size(), kSlotFrameSize);
  DecodeResult d = Decode(frame);
  EXPECT_EQ(d.result, kFrameOk);
  EXPECT_EQ(d.packet, packet);
}

TEST(Frames, RandomPacketsRoundTrip) {
  std::mt19937 rng(99);
  for (int round = 0; round < 50; ++round) {
    Bytes packet(8 + rng() % 5000);
    for (auto& b : packet) b = static_cast<uint8_t>(rng() % 4 == 0 ? 0xC0 + (rng() % 2) * 0x1B : rng());
    Bytes two = Concat({Encode(packet), Encode(Range(1, 9))});
    DecodeResult d = Decode(two);
    ASSERT_EQ(d.result, kFrameOk);
    EXPECT_EQ(d.packet, packet);
    d = Decode(d.rest);
    ASSERT_EQ(d.result, kFrameOk);
    EXPECT_EQ(d.packet, Range(1, 9));
  }
}

TEST(Frames, CheckPacket) {
  Bytes shortAnswer = MakePacket({6, 0});
  ASSERT_EQ(shortAnswer.size(), 12u);
  EXPECT_EQ(CheckPacket(shortAnswer.data(), shortAnswer.size()), 6);
  Bytes changed = shortAnswer;
  changed[9] ^= 1;
  EXPECT_EQ(CheckPacket(changed.data(), changed.size()), kPacketCheckError);
  Bytes status = MakePacket({0x31});
  EXPECT_EQ(CheckPacket(status.data(), status.size()), 0x31);
  Bytes longAnswer = MakePacket({0x31, 2, 3});
  EXPECT_EQ(CheckPacket(longAnswer.data(), longAnswer.size()), 0);
  Bytes tiny = {1, 2, 3};
  EXPECT_EQ(CheckPacket(tiny.data(), tiny.size()), kPacketCheckError);
}

namespace {

Bytes ProbeAnswer(const std::string& name, uint8_t count, size_t offset = 24) {
  Bytes a(offset + 300, 0);
  a[0] = 0xA3;
  a[1] = 0xA5;
  a[2] = 0x35;
  a[3] = count;
  for (size_t i = 0; i < name.size(); ++i) a[offset + i] = static_cast<uint8_t>(name[i]);
  return a;
}

}  // namespace

TEST(Frames, CheckProbeAnswer) {
  const std::string full = "KorvanQZ-Plus V2.10";
  struct Case {
    const char* what;
    Bytes answer;
    std::string_view expected;
    bool match;
    int result;  // when not a plain match / mismatch
    std::string name;
  };
  Bytes badHeader = ProbeAnswer(full, 18);
  badHeader[2] = 0x36;
  Bytes control = ProbeAnswer("KorvanQZ-Plus\x01V9", 18);
  Bytes high = ProbeAnswer("KorvanQZ-Plus V2\xA0", 18);
  const Case cases[] = {
      {"full name", ProbeAnswer(full, 18), "KorvanQZ-Plus", true, 0, full},
      {"basic name matches a prefix", ProbeAnswer(full, 18), "KorvanQZ", true, 0, full},
      {"count limits the name", ProbeAnswer(full, 12), "KorvanQZ-Plus", true, 0, "KorvanQZ-Plus"},
      {"count too short for the name", ProbeAnswer(full, 10), "KorvanQZ-Plus", false, 0,
       "KorvanQZ-Pl"},
      {"other device", ProbeAnswer("Other", 4), "KorvanQZ", false, 0, "Other"},
      {"control character ends the name", control, "KorvanQZ-Plus", true, 0, "KorvanQZ-Plus"},
      {"high byte ends the name", high, "KorvanQZ-Plus", true, 0, "KorvanQZ-Plus V2"},
      {"count 0", ProbeAnswer(full, 0), "KorvanQZ-Plus", false, kNotProbeAnswer, ""},
      {"wrong header", badHeader, "KorvanQZ-Plus", false, kNotProbeAnswer, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string name = "unchanged";
    int r = CheckProbeAnswer(c.answer, c.expected, 24, name);
    if (c.match) {
      EXPECT_EQ(r, 0);
    } else if (c.result == kNotProbeAnswer) {
      EXPECT_EQ(r, kNotProbeAnswer);
    } else {
      EXPECT_NE(r, 0);
    }
    if (c.result != kNotProbeAnswer) {
      EXPECT_EQ(name, c.name);
    }
  }
}

TEST(Frames, CheckProbeAnswerKeepsTheExpectedTextForTheNextUnit) {
  // The first unit's longer name must not become what the second is held to.
  const std::string expected = "KorvanQZ-Plus";
  std::string name;
  EXPECT_EQ(CheckProbeAnswer(ProbeAnswer("KorvanQZ-Plus V3.00", 18), expected, 24, name), 0);
  EXPECT_EQ(name, "KorvanQZ-Plus V3.00");
  EXPECT_EQ(CheckProbeAnswer(ProbeAnswer("KorvanQZ-Plus V2.10", 18), expected, 24, name), 0);
  EXPECT_EQ(name, "KorvanQZ-Plus V2.10");
  EXPECT_EQ(expected, "KorvanQZ-Plus");
}

TEST(Frames, CheckProbeAnswerStopsAtTheEndOfTheAnswer) {
  Bytes answer = ProbeAnswer("", 255, 24);
  answer.resize(30);
  for (size_t i = 24; i < 30; ++i) answer[i] = 'A';
  std::string name;
  EXPECT_NE(CheckProbeAnswer(answer, "AAAAAAAAAA", 24, name), 0);
  EXPECT_EQ(name, "AAAAAA");
  Bytes tiny = {0xA3, 0xA5};
  EXPECT_EQ(CheckProbeAnswer(tiny, "A", 24, name), kNotProbeAnswer);
}
