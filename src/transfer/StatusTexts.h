#pragma once

#include <string_view>

namespace ymodem::texts {

inline constexpr std::string_view kWelcome = "欢迎使用!";
inline constexpr std::string_view kChooseBurnFile = "请选择一个烧写文件";
inline constexpr std::string_view kError = "发生错误!!!";
inline constexpr std::string_view kHandshaking = "正在尝试通讯握手...";
inline constexpr std::string_view kSendingBlockPrefix = "发送第";
inline constexpr std::string_view kSendingBlockSuffix = "包...";
inline constexpr std::string_view kSendingEnd = "发送文件传输结束命令...";
inline constexpr std::string_view kFinished = "文件发送完毕!";
inline constexpr std::string_view kTimeout = "传输超时,请断电后再次尝试!";
inline constexpr std::string_view kReloaded = "已重新加载!";
inline constexpr std::string_view kSessionEnded = "传输会话已结束!";
inline constexpr std::string_view kSessionEndedUnasked = "设备未再请求文件,传输会话已结束!";
inline constexpr std::string_view kSessionEndUnacknowledged = "传输会话结束命令未获确认!";
inline constexpr std::string_view kAborted = "传输已中止!";

}  // namespace ymodem::texts
