#include "messages/MessagePairs.h"

#include <algorithm>
#include <array>

namespace msg {
namespace {

constexpr std::array kPairs = {
    // Messages of the log, the message boxes and run-time captions.
    MessagePair{"Please input valid SN data!!", "请输入有效的序列号数据!"},
    MessagePair{"Please Input Valid Log File Name!", "请输入有效的Log文件名称！"},
    MessagePair{"Operation Success!", "操作成功！"},
    MessagePair{"Operation Failed!", "操作失败！"},
    MessagePair{"Start firmware upgrade......", "开始升级编程器固件......"},
    MessagePair{"Find Device: %s!", "找到设备 ：%s!"},
    MessagePair{"No Device Found!", "未找到设备!"},
    MessagePair{"Chip Data has been read out.", "目标芯片数据已读出。"},
    MessagePair{"Chip has been Erased, Do Programming......", "芯片擦除成功，开始编程......"},
    MessagePair{"Programming Success, do verification......", "芯片编程完成，执行校验......"},
    MessagePair{"Chip is Blank!", "芯片为空！"},
    MessagePair{"Chip is Not Blank!", "芯片不为空！"},
    MessagePair{"Burn OK, Total: %d", "烧写OK总数: %d"},
    MessagePair{"Download Data has been read out.", "编程器内部数据已读出。"},
    MessagePair{"Read Chip Information success: ID=", "读取芯片信息数据成功: ID="},
    MessagePair{"Read data using chip flash Size", "按芯片实际大小读取数据"},
    MessagePair{"Read data using loaded file size", "按加载的数据文件大小读取数据"},
    MessagePair{"File Start Address = 0x%0.6x.", "目标文件首地址 = 0x%0.6x."},
    MessagePair{"File End Address   = 0x%0.6x.", "目标文件尾地址 = 0x%0.6x."},
    MessagePair{"Chip Start Address = 0x%0.6x.", "目标芯片首地址 = 0x%0.6x."},
    MessagePair{"Chip End Address   = 0x%0.6x.", "目标芯片尾地址 = 0x%0.6x."},
    MessagePair{"File \"%s\" has been saved!", "文件\"%s\"已保存！"},
    MessagePair{"No data to be saved!", "没有数据需要保存!"},
    MessagePair{"Please select Chip Type!", "请选择并确认芯片型号！"},
    MessagePair{"Please Load Data File!", "请加载目标文件！"},
    MessagePair{"Programmer %d: Download Data......", "编程器 %d ：下载数据......"},
    MessagePair{"Chip %d : Auto-Programming,Start to Erase......", "芯片%d : 启动自动编程，擦除芯片......"},
    MessagePair{"Chip %d : Auto-Programming,Start to write......", "芯片%d : 启动自动编程，开始数据写入......"},
    MessagePair{"Please connect device!!", "请连接好设备!"},
    MessagePair{"Please connect device!", "请连接好设备！"},
    MessagePair{"Chip %d : Do Blank Check......", "芯片%d ：开始芯片查空......"},
    MessagePair{"Chip %d : Do Erase......", "芯片 %d ：芯片擦除......"},
    MessagePair{"Chip %d : Do Programming......", "芯片%d ：开始芯片编程......"},
    MessagePair{"Chip %d : Do Verification......", "芯片%d ：执行数据校验......"},
    MessagePair{"Chip: Read Downloaded Data......", "芯片 ：读取已下载到编程器中数据......"},
    MessagePair{"Chip 1: Read Chip......", "芯片 1：读取芯片数据......"},
    MessagePair{"Chip 1: Read Chip Information......", "芯片 1：读取芯片信息数据......"},
    MessagePair{"Chip 1: Read Chip DID Data......", "芯片 1：读取芯片DID数据......"},
    MessagePair{"Chip data has been read out successfully!", "目标芯片数据已读出!"},
    MessagePair{"Time out when Read Chip data!", "读取芯片数据操作超时！"},
    MessagePair{"Operation Time Out!", "操作超时！"},
    MessagePair{"Please select COM......", "请选择通讯口......"},
    MessagePair{"File \"VOzOZEdud.ZQM\" not found, please confirm!", "文件\"VOzOZEdud.ZQM\"没有找到，请确认！"},
    MessagePair{"Enter Off-Line Monitor Mode!", "进入脱机监控模式!"},
    MessagePair{"Address Write refused: %d data bytes, at most %d fit!", "地址写入被拒绝：数据 %d 字节，最多只能 %d 字节！"},
    MessagePair{"Packet of %d bytes is too long to send!", "数据包长度 %d 字节，过长无法发送！"},
    MessagePair{"%d bytes could not be queued for sending!", "%d 字节数据无法送入发送队列！"},
    MessagePair{"The log of an earlier run has been saved to \"%s\".", "上次运行的日志已保存到\"%s\"。"},
    MessagePair{"The log of an earlier run in \"%s\" could not be saved: %s", "无法保存上次运行的日志\"%s\"：%s"},
    MessagePair{"Data to send lies beyond the data buffer!", "待发送的数据超出数据缓冲区范围！"},
    MessagePair{"The project's image does not match the checksums stored in the file: file ACC32 "
                "0x%0.8x, SUM16 0x%0.4x, CRC16 0x%0.4x; image ACC32 0x%0.8x, SUM16 0x%0.4x, CRC16 "
                "0x%0.4x. Check the data before programming!",
                "工程文件中的数据与文件保存的校验和不一致：文件 ACC32 0x%0.8x，SUM16 0x%0.4x，CRC16 "
                "0x%0.4x；数据 ACC32 0x%0.8x，SUM16 0x%0.4x，CRC16 0x%0.4x。编程前请检查数据！"},
    MessagePair{"Connection to the unit lost!", "与编程器的连接已断开！"},
    MessagePair{"Cannot open %s: %s!", "无法打开 %s：%s！"},
    MessagePair{"Cannot open %s: %s! The user needs access to the serial device (e.g. the dialout group).",
                "无法打开 %s：%s！当前用户需要串口设备的访问权限（例如加入 dialout 组）。"},
    MessagePair{"The data buffer is being sent to the units, please wait until they finish!",
                "数据缓冲区正在发送到编程器，请等待完成！"},
    MessagePair{"The data buffer is being filled by a chip read, please wait until it ends!",
                "数据缓冲区正在读入芯片数据，请等待读取结束！"},
    MessagePair{"The S/N address 0x%0.8x lies outside the data range being programmed (0x%0.8x - 0x%0.8x)! "
                "Please choose another S/N address, or check \"User Chip Size\" to program the whole chip.",
                "序列号地址 0x%0.8x 不在要编程的数据范围内（0x%0.8x - 0x%0.8x）！请选择其他序列号地址，"
                "或勾选\"按芯片大小处理\"以编程整个芯片。"},
    MessagePair{"The S/N address 0x%0.8x lies outside the data range being programmed (0x%0.8x - 0x%0.8x): "
                "its 4 bytes would not all reach the chip! Please choose another S/N address.",
                "序列号地址 0x%0.8x 不在要编程的数据范围内（0x%0.8x - 0x%0.8x）：其4个字节不能全部写入芯片！"
                "请选择其他序列号地址。"},
    MessagePair{"Answer too short: %d data bytes, %d expected!", "应答过短：数据 %d 字节，应为 %d 字节！"},
    MessagePair{"Firmware upgrade skipped: the unit is busy!", "跳过固件升级：编程器正忙！"},
    MessagePair{"Firmware upgrade skipped: no unit connected!", "跳过固件升级：未连接编程器！"},
    MessagePair{"Off-line monitor skipped: the unit is busy!", "跳过脱机监控：编程器正忙！"},
    MessagePair{"The units are running, please wait until they finish before refreshing or searching the ports!",
                "编程器正在运行，请等待完成后再刷新或搜索通讯口！"},
    MessagePair{"Read not completed: the data buffer no longer holds loaded data!",
                "读取未完成：数据缓冲区中已没有加载的数据！"},
    MessagePair{"Read data lies beyond the data buffer!", "读取的数据超出数据缓冲区！"},
    MessagePair{"Online S/N of this chip: 0x%0.8x.", "本芯片的在线序列号：0x%0.8x。"},
    MessagePair{"S/N not inserted: address 0x%0.8x lies outside the data buffer.",
                "序列号未写入：地址 0x%0.8x 超出数据缓冲区。"},
    MessagePair{"S/N data do not fit the data buffer!", "序列号数据超出数据缓冲区！"},
    MessagePair{"The S/N data at address 0x%0.8x (%d bytes) lie beyond the end of the chip, whose size is "
                "0x%0.8x bytes! Please choose another address or shorter data.",
                "地址 0x%0.8x 处的序列号数据（%d 字节）超出芯片末尾，芯片容量为 0x%0.8x 字节！"
                "请选择其他地址或缩短数据。"},
    MessagePair{"The character \"%s\" has no GBK code and cannot be written!", "字符\"%s\"没有GBK编码，无法写入！"},
    MessagePair{"Address 0x%x is outside 0x0000 to 0xFFFF!", "地址 0x%x 超出 0x0000 到 0xFFFF 的范围！"},
    MessagePair{"At most %d bytes can be written at once!", "一次最多只能写入 %d 字节！"},
    // Files that cannot be used: the path, then the system's reason.
    MessagePair{"Cannot create file \"%s\". %s", "无法创建文件\"%s\"。%s"},
    MessagePair{"Cannot write file \"%s\". %s", "无法写入文件\"%s\"。%s"},
    MessagePair{"Cannot open file \"%s\". %s", "无法打开文件\"%s\"。%s"},
    MessagePair{"Cannot read file \"%s\". %s", "无法读取文件\"%s\"。%s"},
    MessagePair{"Read beyond end of file \"%s\": it holds %llu bytes, the project needs %llu.",
                "读取超出文件\"%s\"的末尾：文件只有 %llu 字节，工程需要 %llu 字节。"},
    MessagePair{"Write File Data Error!", "写文件数据错误！"},
    // A refused line of a data file, and why it was refused.
    MessagePair{"Data File Error at Line %d: %s!", "数据文件第 %d 行错误：%s！"},
    MessagePair{"record accepted", "记录已接受"},
    MessagePair{"line does not begin with ':'", "行首不是 ':'"},
    MessagePair{"extended address record with an address field other than 0000", "扩展地址记录的地址字段不是 0000"},
    MessagePair{"checksum wrong", "校验和错误"},
    MessagePair{"unknown record type", "未知的记录类型"},
    MessagePair{"data outside the data buffer", "数据超出数据缓冲区"},
    MessagePair{"line length does not match the record", "行长度与记录不符"},
    MessagePair{"character that is not a hex digit", "含有非十六进制字符"},
    MessagePair{"bad record", "记录错误"},
    MessagePair{"address outside the data buffer", "地址超出数据缓冲区"},
    MessagePair{"address missing", "缺少地址"},
    MessagePair{"data before the first address line", "第一个地址行之前有数据"},
    MessagePair{"odd number of hex digits", "十六进制数字个数为奇数"},
    MessagePair{"line too long", "行太长"},
    // Texts of the units' result codes.
    MessagePair{"Packet Data error", "数据包错误！"},
    MessagePair{"Packet error!", "数据包校验错误！"},
    MessagePair{"Unknow Command!", "不认识的命令！"},
    MessagePair{"Flash Memory Error!", "Flash Memory错误！"},
    MessagePair{"Write Flash Memory Error!", "写Flash Memory错误！"},
    MessagePair{"Data verify error!", "数据校验错误！"},
    MessagePair{"Check sum error!", "芯片校验和不正确！"},
    MessagePair{"Chip unmatched!", "芯片类型不正确！"},
    MessagePair{"Manufacturer unmatched!", "芯片厂家型号不正确！"},
    MessagePair{"Command Time Out!", "命令执行超时!"},
    MessagePair{"Communication Waiting Time Out!", "通讯等待超时!"},
    MessagePair{"Command error!", "命令执行错误"},
    MessagePair{"Initialize interface error!", "接口错误或芯片未连接！"},
    MessagePair{"Operation Failed,Error Code: 0%d", "操作失败！错误代码: 0%d"},
};

}  // namespace

std::span<const MessagePair> MessagePairs() { return kPairs; }

std::string_view ChineseFor(std::string_view english) {
  auto it = std::find_if(kPairs.begin(), kPairs.end(),
                         [&](const MessagePair& p) { return p.english == english; });
  return it == kPairs.end() ? english : it->chinese;
}

}  // namespace msg
