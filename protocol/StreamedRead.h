#pragma once
// The streamed chip read: after the unit has accepted command 154, unit 1
// sends the chip's bytes raw, without frames, and they go straight into
// DataBuffer from address 0. The read ends when the data size is reached,
// or when the bytes stop (Timer1).
#include <cstddef>
#include <cstdint>

struct JobState;

// The unit has accepted the read: from now on slot 0's bytes are data.
void BeginReadStream(JobState& js);

// Bytes of slot 0 while ReadStreaming is set: any bytes, padding too,
// re-arm the stream's silence count; stores them at ReadCount (never past
// the buffer) and updates the progress. Leading 0xFF bytes that may be the
// padding behind the accepting answer are held aside until the count of
// bytes shows what they were.
void ReceiveReadStream(JobState& js, const uint8_t* data, size_t length);

// After each stored chunk: the counter, the gauge, and the end of the read
// once the data size has come.
void UpdateReadProgress(JobState& js);

// Timer1's stream branch: counts slot 0's silence down and, when it runs
// out, ends the read by what has come (held bytes count as data when they
// make the read whole).
void TickReadStream(JobState& js);

// Ends the read where it stands, its line gone: the bytes stored so far
// stay in DataBuffer; bytes still held aside are dropped. Returns how many
// bytes were stored.
uint32_t StopReadStream(JobState& js);
