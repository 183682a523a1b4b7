#include "files/DataLoad.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/ChipFamilies.h"
#include "protocol/DataRange.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/OperationStart.h"
#include "protocol/SlotOperations.h"

namespace {

void Refuse(JobState& js, const std::string& text) {
  AddInfoLine(js, text);
  if (js.LogMemo) js.LogMemo->ShowMessage(text);
}

std::string RefusalText(const ReadOutcome& r) {
  if (r.status == ReadStatus::BadRecord)
    return msg::FmtV(msg::Tr("Data File Error at Line %d: %s!"), static_cast<int>(r.line),
                     msg::Tr(r.reason).c_str());
  return msg::Tr("Read File Data Error!");
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool ChipChosenForLoad(const JobState& js) { return js.ChipSelected != 0 && js.ChipSizeCopy != 0; }

ReadOutcome LoadDataFile(JobState& js, const std::string& path) {
  js.FileStartAddr = 0;
  js.FileEndAddr = std::min(js.ChipSizeCopy, kDataBufferSize) - 1;
  js.LoadSum = 0;
  SetDefaultDataRange(js);
  std::span<uint8_t> buffer(js.DataBuffer.get(), kDataBufferSize);
  switch (DataFileKindFor(path)) {
    case DataFileKind::Hex: return ReadHexFile(js, path, buffer, js.FileEndAddr);
    case DataFileKind::Txt: return ReadTxtFile(js, path, buffer, js.FileStartAddr, js.FileEndAddr);
    case DataFileKind::Bin: break;
  }
  return ReadBinFile(js, path, js.FileEndAddr);
}

bool OpenDataFile(JobState& js, const std::string& path) {
  if (!ChipChosenForLoad(js)) {
    if (js.LogMemo) js.LogMemo->ShowMessage(msg::Tr("Please select Chip Type!"));
    return false;
  }
  if (RefuseImageOrChipChange(js)) return false;
  std::memset(js.DataBuffer.get(), 0xFF, kDataBufferSize);
  // The erased buffer no longer holds a loaded image until the read is good.
  js.DataLoaded = 0;
  AddInfoLine(js, msg::Fmt("Load object file : %s", path.c_str()));

  ReadOutcome outcome = LoadDataFile(js, path);
  if (!outcome.Ok()) {
    Refuse(js, RefusalText(outcome));
    return false;
  }
  js.DataLoaded = 1;
  js.DataFileName = FileNameOf(path);
  js.FileLength = js.FileEndAddr + 1;

  AddRawLine(js, " ");
  js.FileCRC32 = FileRangeCRC32(js);
  AddInfoLine(js, msg::FmtV(msg::Tr("File Start Address = 0x%0.6x."), js.FileStartAddr));
  AddInfoLine(js, msg::FmtV(msg::Tr("File End Address   = 0x%0.6x."), js.FileEndAddr));
  AddInfoLine(js, msg::Fmt("File ACC32 CheckSum  = 0x%0.8x.", js.LoadSum));
  AddInfoLine(js, msg::Fmt("File CRC32 CheckSum  = 0x%0.8x.", js.FileCRC32));
  if (IsPagedFlash(js.ChipFamily)) {
    CompactPagedImage(js);
  } else {
    TakeImageRange(js);
  }
  return true;
}

bool SaveDataBuffer(JobState& js, const std::string& path) {
  bool ok = js.DataEnd >= js.DataStart &&
            WriteBinFile({js.DataBuffer.get(), kDataBufferSize}, path, js.DataEnd - js.DataStart);
  if (js.LogMemo) {
    js.LogMemo->ShowMessage(ok ? msg::FmtV(msg::Tr("File \"%s\" has been saved!"), path.c_str())
                               : msg::Tr("Write File Data Error!"));
  }
  return ok;
}
