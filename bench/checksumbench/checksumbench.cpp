// Throughput of the check values over a data-buffer-sized range and of frame
// encoding and decoding over a stream of 4 KB packets, with zlib's CRC-32
// measured in the same run for comparison. One "name value unit" line each,
// the ratio of our CRC-32 to zlib's last.
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "protocol/Checks.h"
#include "protocol/Frames.h"

namespace {

constexpr size_t kBufferSize = 128u << 20;
constexpr int kRepeats = 5;

volatile uint32_t gSink;  // keeps the results alive

// Best of several runs, in GB/s.
template <typename Fn>
double Throughput(size_t bytes, Fn fn) {
  double best = 0;
  for (int r = 0; r < kRepeats; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    gSink = fn();
    std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    double rate = static_cast<double>(bytes) / dt.count() / 1e9;
    if (rate > best) best = rate;
  }
  return best;
}

}  // namespace

int main() {
  std::vector<uint8_t> buf(kBufferSize);
  std::mt19937 rng(1);
  for (auto& b : buf) b = static_cast<uint8_t>(rng());
  const uint8_t* p = buf.data();
  const uint32_t end = static_cast<uint32_t>(kBufferSize - 1);

  double ours = Throughput(kBufferSize, [&] { return CRC32Block(p, 0, end); });
  double zlib = Throughput(kBufferSize, [&] { return static_cast<uint32_t>(crc32_z(0, p, kBufferSize)); });
  double sum = Throughput(kBufferSize, [&] { return ByteSum32(p, 0, end); });
  double crc16 = Throughput(kBufferSize, [&] { return static_cast<uint32_t>(PacketCRC16(p, 0, end)); });

  // 4 KB packets with the ordinary share of bytes that need escaping.
  constexpr size_t kPacket = 4096 + 10;
  constexpr size_t kPackets = 4096;
  std::vector<uint8_t> frame(MaxFrameLength(kPacket));
  std::vector<uint8_t> decoded(kPacket);
  double encode = Throughput(kPacket * kPackets, [&] {
    uint32_t total = 0;
    for (size_t i = 0; i < kPackets; ++i) {
      total += static_cast<uint32_t>(EncodeFrame(p + i * kPacket, kPacket, frame.data(), frame.size()));
    }
    return total;
  });
  size_t frameLength = EncodeFrame(p, kPacket, frame.data(), frame.size());
  std::vector<uint8_t> source(frameLength);
  double decode = Throughput(kPacket * kPackets, [&] {
    uint32_t total = 0;
    for (size_t i = 0; i < kPackets; ++i) {
      std::copy(frame.begin(), frame.begin() + frameLength, source.begin());
      size_t sourceLength = frameLength, packetLength = 0;
      total += DecodeFrame(source.data(), decoded.data(), decoded.size(), packetLength, sourceLength);
      total += static_cast<uint32_t>(packetLength);
    }
    return total;
  });

  std::printf("crc32_block %.2f GB/s\n", ours);
  std::printf("zlib_crc32 %.2f GB/s\n", zlib);
  std::printf("byte_sum32 %.2f GB/s\n", sum);
  std::printf("packet_crc16 %.2f GB/s\n", crc16);
  std::printf("encode_frame %.2f GB/s\n", encode);
  std::printf("decode_frame %.2f GB/s\n", decode);
  std::printf("crc32_vs_zlib %.2f\n", ours / zlib);
  return 0;
}
