#pragma once
// Message texts that both builds show in the same words: the English texts
// without a pair and the texts that are Chinese in both builds. Only the
// texts the code shows are listed; the message check keeps the code to them.
#include <string_view>

namespace msg {

inline constexpr std::string_view kSameInBothBuilds[] = {
    // The greeting, the interface voltage, the firmware image's check.
    "Hello KorvanQZ-Plus User! ----- ",
    "3.3V Interface is selected!",
    "5.0V Interface is selected!",
    "1.8V Interface is selected!",
    "File of \"VOzOZEdud.ZQM\" not Found!",
    "File of \"VOzOZEdud.ZQM\" is not a valid firmware image!",
    // Device search, the serial port component and its errors.
    "Searching Devices............",
    "Checking Device %d In %s............",
    "No Device is Connected!",
    "This serial port already opened",
    "Error opening serial port:",
    "File handle is not a comm handle ",
    "Cannot setup comm buffer",
    "Unable to create event",
    "Unable to create read thread",
    "Unable to create write thread",
    // Chip choice and control settings.
    "Chip \"%s\" is selectd.",
    "Chip Main Flash is %dB/%dKB.",
    "Chip Main Flash is %dKB/%dMB.",
    "%d Byte",
    "%d KByte",
    "Protected Setting: 0x%0.2x.",
    "Protected Setting:  0x%0.2x.",
    "'%s' is not a valid integer value",
    "> Control Setting(Hex): %0.2x,%0.2x,%0.2x,%0.2x, %0.2x,%0.2x,%0.2x,%0.2x, %0.2x,%0.2x,%0.2x,%0.2x.",
    // Data files, project files and the checksum lines.
    "Read File Data Error!",
    "Load object file : %s",
    "File ACC32 CheckSum  = 0x%0.8x.",
    "File CRC32 CheckSum  = 0x%0.8x.",
    "Load Project file \"%s\"",
    "> Invalid File format for Tesmel Project file!",
    "> File is not the Tesmel_QZ Project file!",
    "> Data is Corrupted 2!",
    "Actual Data Start Address = 0x%0.6x.",
    "Actual Data End Address   = 0x%0.6x.",
    "Actual Data Size in Byte  = %d B.",
    "File ACC32 : 0x%0.8x",
    "Chip ACC32 : 0x%0.8x",
    "File CRC32 : 0x%0.8x",
    "Chip CRC32 : 0x%0.8x",
    "Chip ACC32 CheckSum  = 0x%0.8x.",
    "Chip CRC32 CheckSum  = 0x%0.8x.",
    "Read Data End Address : 0x%0.8x.",
    "Read Chip ACC32 CheckSum  = 0x%0.8x.",
    "Read Chip CRC32 CheckSum  = 0x%0.8x.",
    // The lines of the 528-byte page compaction: Chinese in both builds.
    "目标文件首地址 = 0x%0.6x.",
    "目标文件尾地址 = 0x%0.6x.",
    "目标芯片首地址 = 0x%0.6x.",
    "目标芯片尾地址 = 0x%0.6x.",
    // The units' answers: chip status and identification, address write, firmware upgrade.
    "Chip Protection Statu is:",
    "Read Chip Statu data is:0x%0.2x.",
    "Read Chip DID data are:",
    "0x%0.2x,0x%0.2x, Statu Reg=0x%0.2x,",
    "Start Transmitter Data......",
    "Chip 1 : Wrtie data to Specific Address......",
    "Write Specific Address Success!",
    "Firmware Upgrade Completed!",
    // The steps and the end of a unit's programming sequence.
    "Initial Programming Interface ....",
    "Chip Blank Checking....",
    "Do Chip Erasing....",
    "Do Main Flash Programming....",
    "Do EEP Data Programming....",
    "Do Main Flash Verification....",
    "Do EEP Data Verification....",
    "Do Chip Config Data Programming....",
    "Successed!,Chip CRC16=0x%0.4xm,ACC16=0x%0.4x.",
    "Successed!,Chip CRC32=0x%0.4x%0.4x.",
    "Failed : Error=0x%0.2x!",
    "OK=%d, NG=%d.",
};

}  // namespace msg
