#include "lang/AppLang.h"

#include "util/Gbk.h"

#include <QDir>

#include <iterator>

TLangList *LangList = nullptr;

namespace {

struct TextRow {
    const char *key;
    const char *chinese; // UTF-8 in the source, GBK in the table
    const char *english;
};

// The catalogue, in the order of a written language file.
const TextRow kCatalogue[] = {
    {"lang_Main_Title", "QEB-R52x", "QEB-R52x"}, // 1
    {"lang_Main_AppTitle", "QEB-R52x", "QEB-R52x"}, // 2
    {"lang_Menu_File", "文件", "File"}, // 3
    {"lang_Menu_Quit", "退出", "Quit"}, // 4
    {"lang_Menu_Lang", "Language", "Language"}, // 5
    {"lang_Menu_Cn", "简体中文", "简体中文"}, // 6
    {"lang_Menu_En", "English", "English"}, // 7
    {"lang_Menu_Diy", "DiyLang", "DiyLang"}, // 8
    {"lang_Menu_Help", "帮助", "Help"}, // 9
    {"lang_Menu_About", "关于...", "About..."}, // 10
    {"lang_Menu_Hint", "实时帮助", "Real-time Help"}, // 11
    {"lang_Menu_Version", "检查更新", "Latest version"}, // 12
    {"lang_Menu_DownUrl", "https://www.example.com/cn/download/dtu-config", "https://www.example.com/en/download/dtu-config"}, // 13
    {"lang_Menu_WorkOrder", "提交问题", "Work Order"}, // 14
    {"lang_Menu_WorkOrderUrl", "https://www.example.com/cn/support/work-order", "https://www.example.com/en/support/work-order"}, // 15
    {"lang_lblOpenCom", "串口号", "ComName"}, // 16
    {"lang_lblOpenBaud", "波特率", "BaudRate"}, // 17
    {"lang_lblOpenPDS", "检验/数据/停止", "Parity/Data/Stop"}, // 18
    {"lang_lblOpenFlow", "流控", "Flow"}, // 19
    {"lang_btnOpen", "打开串口", "Open Serial"}, // 20
    {"lang_btnClose", "关闭串口", "Close Serial"}, // 21
    {"lang_btnFwUp", "固件升级", "Upgrade"}, // 22
    {"lang_rzgrpbxWkmod", " 选择工作模式", " Choose Work Mode"}, // 23
    {"lang_rbNetTran", " 网络透传模式", "Network Transmission"}, // 24
    {"lang_rbHttpd", " HTTPD模式", "HTTPD Mode"}, // 25
    {"lang_rbSmsTran", " 短信透传模式", "SMS Transmission"}, // 26
    {"lang_rzgrpbxPara", "相关参数", " Param of "}, // 27
    {"lang_rzchckbxSkt", "连接服务器", "Enable Net"}, // 28
    {"lang_lblIpAndPort", "地址和端口", "IP&Port"}, // 29
    {"lang_lblLinkTpye", "连接类型", "Link type"}, // 30
    {"lang_cbbASL0", "短链接", "Short connection"}, // 31
    {"lang_cbbASL1", "长连接", "Long connection"}, // 32
    {"lang_OverTimeS", "超时时间(秒)", "Over Time (s)"}, // 33
    {"lang_rzchckbxHeartEn", "启用心跳包", "Enable heartbeat"}, // 34
    {"lang_lblHeartTm", "心跳时间(秒)", "Heartbeat time(s)"}, // 35
    {"lang_lblHeartDt", "心跳数据", "Heartbeat data"}, // 36
    {"lang_lblHeartSnd", "心跳发送方式", "Heartbeat send type"}, // 37
    {"lang_cbbHeartSnd0", "向服务器发送心跳包", "Send data to network"}, // 38
    {"lang_cbbHeartSnd1", "向串口终端发送心跳包", "Send data to serial port"}, // 39
    {"lang_rzchckbxRegEn", "启用注册包", "Enable register package"}, // 40
    {"lang_lblRegSnd", "注册包发送方式", "Reg package send type"}, // 41
    {"lang_cbbRegSnd0", "与服务器建立连接时向服务器发送一次", "Send register data when socket connects"}, // 42
    {"lang_cbbRegSnd1", "向服务器发送的每个数据包前都加上", "Send register data as the head of every TCP/UDP package"}, // 43
    {"lang_cbbRegSnd2", "同时支持以上两种", "Support both of above two ways"}, // 44
    {"lang_lblRegTp", "注册数据类型", "Reg package data type"}, // 45
    {"lang_cbbRegTp0", "ICCID码", "ICCID code"}, // 46
    {"lang_cbbRegTp1_MEID", "MEID码", "MEID code"}, // 47
    {"lang_cbbRegTp1_IMEI", "IMEI码", "IMEI code"}, // 48
    {"lang_cbbRegTp2", "注册ID", "Register ID (for D2D function)"}, // 49
    {"lang_cbbRegTp3", "QEB云", "Cloud (for QEB Cloud)"}, // 50
    {"lang_cbbRegTp4", "自定义数据", "User-defined data"}, // 51
    {"lang_lblCloudId", "设备编号:共20位", "Device ID: length is 20"}, // 52
    {"lang_lblCloudPa", "通讯密码:共8位,不足8位在前面补'0'.", "Communication Code:Length is 8,if less than 8,fill Char '0' in the front"}, // 53
    {"lang_CloudIdPw", "设备编号和密码", "Device id & code"}, // 54
    {"lang_rzchckbxSOCKIND", "显示网络透传来源Socket", "Indication of socket"}, // 55
    {"lang_lblHTPTP", "HTTP请求方式", "HTTP request type"}, // 56
    {"lang_lblHTPURL", "HTTP请求的URL", "HTTP URL"}, // 57
    {"lang_lblHTPSVIP", "服务器地址", "HTTP server address"}, // 58
    {"lang_lblHTPSVPort", "服务器端口", "HTTP server port"}, // 59
    {"lang_lblHTPHD", "HTTP请求头信息", "HTTP request head"}, // 60
    {"lang_rzchckbxHtpFlt", "过滤HTTP头", "Filter HTTP head"}, // 61
    {"lang_lblDSTNUM", "透传目标电话号码", "Destination phone number "}, // 62
    {"lang_rzchckbxSMSFLT", "短信来源号码过滤", "SMS source number filter"}, // 63
    {"lang_rzchckbxSMSPH", "显示短信透传来源号码", "Show SMS source number"}, // 64
    {"lang_rzgrpbxBase", " 全局参数", " Base Param"}, // 65
    {"lang_lblUart", "串口参数", "Serial param"}, // 66
    {"lang_lblBaud", "串口波特率", "Serial BaudRate"}, // 67
    {"lang_rzchckbxMore", "高级", "More Function"}, // 68
    {"lang_rzchckbxRFC", "类RFC2217", "Similar RFC2117"}, // 69
    {"lang_lblUARTFT", "打包时间(ms)", "Pack period(ms)"}, // 70
    {"lang_lblUARTFL", "打包长度(Byte)", "Pack length(Byte)"}, // 71
    {"lang_rzchckbxE", "指令回显", "Enable echo"}, // 72
    {"lang_lbledtCmdPw", "命令密码", "Command password"}, // 73
    {"lang_lbledtStMsg", "启动信息", "Welcome message"}, // 74
    {"lang_lbledtApn", "APN", "APN"}, // 75
    {"lang_rzgrpbxDo", " 执行命令及提示", " Operation and Hints"}, // 76
    {"lang_btnAskAll", "获取当前参数", "Get All Param"}, // 77
    {"lang_btnSetAll", "设置并保存所有参数", "Set Save All Param"}, // 78
    {"lang_btnPPPA", "进入配置状态", "Enter cfg status"}, // 79
    {"lang_btnENTM", "进入通讯状态", "Exit cfg status"}, // 80
    {"lang_btnH", "帮助信息", "Help message"}, // 81
    {"lang_btnZ", "模块重启", "Restart"}, // 82
    {"lang_btnVER", "查询版本", "Query version"}, // 83
    {"lang_btnCNUM", "查询本机号码", "Query phone number"}, // 84
    {"lang_btnCFGTF", "存为用户默认", "Save as default"}, // 85
    {"lang_btnRELD", "恢复用户默认", "Restore default"}, // 86
    {"lang_btnCLEAR", "恢复出厂设置", "Restore factory"}, // 87
    {"lang_btnCSQ", "查信号强度", "Query RSSI"}, // 88
    {"lang_lblReTelNum", "目标电话号码", "Destination phone number"}, // 89
    {"lang_pmSendType0", "通过串口发送", "Send via Serial Port"}, // 90
    {"lang_pmSendType1", "发送手机短信", "Sned SMS message"}, // 91
    {"lang_btnSend", "发送", "Send"}, // 92
    {"lang_pmSend0", "按Enter键发送", "Enter key to send"}, // 93
    {"lang_pmSend1", "按Ctrl+Enter键发送", "Ctrl+ENTER to send"}, // 94
    {"lang_pmSend3", "AT指令自动加回车", "Auto attach CR"}, // 95
    {"lang_pmCls0", "复制", "Copy"}, // 96
    {"lang_pmCls1", "粘贴", "Paste"}, // 97
    {"lang_pmCls2", "全选", "Select All"}, // 98
    {"lang_pmCls4", "清屏", "Clear"}, // 99
    {"lang_pmFwUpOpt0", "升级后重启", "Restar after upgrade"}, // 100
    {"lang_pmFwUpOpt1", "显示数据流", "Show Streaming"}, // 101
    {"lang_About_Title", "关于", "About"}, // 102
    {"lang_About_Version", "版本：", "Version:"}, // 103
    {"lang_About_OK", "确 认", "OK"}, // 104
    {"lang_About_SoftName", "名称：QEB-R52x", "Name: QEB-R52x"}, // 105
    {"lang_About_Description", "本软件由QEB Networks设计并提供，免费使用。", "This software is designed by QEB Networks."}, // 106
    {"lang_About_Contact", "联系我们：", "Contact Us:"}, // 107
    {"lang_About_Website", "https://www.example.com/cn/", "https://www.example.com/en/"}, // 108
    {"lang_About_Tel", "400-000-0000", "400-000-0000"}, // 109
    {"lang_About_Email", "support@example.com", "support@example.com"}, // 110
    {"hint_cbbOpenUart", "PC串口和DTU应采用相同的串口参数", "PC Serial and DTU should work in the same serial port parameters"}, // 111
    {"hint_cbbUart", "DTU和串口终端应采用相同的串口参数", "DTU and Serial console should work in the same serial port parameters"}, // 112
    {"hint_chkEn", "勾选表示启用", "Checcked make enable"}, // 113
    {"hint_chkHex", "勾选以输入16进制数据", "Checcked to input hexadecimal number"}, // 114
    {"hint_edtCloudId", "20位", "length is 20"}, // 115
    {"hint_edtCloudPa", "8位", "length is 8"}, // 116
    {"hint_rzchckbxCloudEn", "启用QEB云时，注册包功能失效！", "When enable QEB Cloud, register package function voidance!"}, // 117
    {"hint_imgGif", "藏这么严，还是被发现了 ^_^ ", "Hide so strict,also be discovered ^_^ "}, // 118
    {"info_ComOpenYes", "串口已打开", "Serial Open Success"}, // 119
    {"info_ComCloseYes", "串口已关闭", "Serial Close Success"}, // 120
    {"info_ComOpenNo", "串口打开失败，请检查该串口是否被其他软件占用！", "Failure , please close other software which use this Com Port."}, // 121
    {"info_ComNoOpen", "串口未打开", "Serial port is not open"}, // 122
    {"info_DoOver", "执行完毕", "Operation complete"}, // 123
    {"info_Start0", "一般操作流程：", "General operation process:"}, // 124
    {"info_Start1", "1、模块连PC串口,上电；", "1,Module connect to PC serial port;"}, // 125
    {"info_Start2", "2、打开串口；", "2,Open the serial port;"}, // 126
    {"info_Start3", "3、获取当前参数；", "3,Get All Param;"}, // 127
    {"info_Start4", "4、选择工作模式及配置相关参数；", "4,Choose work mode and configure related parameters;"}, // 128
    {"info_Start5", "5、设置并保存所有参数。", "5,Set and Save All Param."}, // 129
    {"info_Restarting", "正在重启...", "Restarting..."}, // 130
    {"info_FwUpOver", "固件升级完成", "Firmware upgrade success"}, // 131
    {"info_FwUpTime", "耗时(秒): ", "Used time (s): "}, // 132
    {"info_SlctFwFile", "请选择固件", "Please select firmware file"}, // 133
    {"info_FwFile", "固件文件", "Firmware File"}, // 134
    {"info_AllFile", "所有文件", "All File"}, // 135
    {"info_AbsentFwFlie", "请先选择固件", "Please select firmware file First"}, // 136
    {"info_ModuleRTS", "模块请求发送", "Module request to send"}, // 137
    {"info_Sending", "发送中...", "Sending..."}, // 138
    {"info_ReloadRepower", "如果升级未开始,请按住Reload键,同时给模块重新上电", "If upgrade does not start,Please hold down the Reload button and Re power-on"}, // 139
    {"info_PlsUpFw", "请升级固件！", "Please upgrade the firmware!"}, // 140
};

static_assert(std::size(kCatalogue) == kCatalogueRows);

// Messages added after the catalogue. They are served like every other row but
// are not written into a new language file, so its layout stays as users know it;
// a file may still override them by adding their keys.
//   info_ComHangup     the open port vanished (device unplugged) and was closed
//   info_ComNoAccess   opening the port was refused for lack of permission
//   info_SimModule     the simulated module is in use (%s: its port)
//   info_LangFileError the language file could not be written (%s: its path)
//   info_FwOpenFail    a firmware file could not be opened (%s: its path)
//   info_FwFileGone    the firmware file became unreadable during a transfer
//   info_CfgKeptIn     the configuration lives in the per-user directory (%s: its path)
//   info_NoAnswer      a queued operation stopped: no answer even after the repair
//   info_OpCancelled   a queued operation stopped: the port was closed
//   info_Refused       after "Operation complete": the refused words (%s)
//   info_ComNoDevice   opening failed: no such device (%s: the port)
//   info_ComOpenFail   opening failed otherwise (%s: the port and the system's reason)
//   info_AskCLEAR      question before restoring the factory settings
//   info_AskRELD       question before restoring the user default
//   lang_AskYes, lang_AskNo  the two answers of those questions
//   info_FwDropped     the boot loader answered a transfer with something it cannot take
//   info_FwCancelled   the boot loader cancelled the transfer (CAN)
//   lang_rzchckbxReopen, hint_rzchckbxReopen  the option to reopen a port whose device came back
//   hint_cbbOpenComPath                       the port field takes any typed device path
//   info_ComReopen     the unplugged port's device is back and is being reopened (%s: its path)
//   info_FwEmpty       the firmware file is empty, so no upgrade starts (%s: its path)
//   info_FwUnreadable  the firmware file could not be read whole (%s: its path)
//   info_FwNakLimit    the module refused one block ten times in a row
//   info_CfgNotRead    the configuration file exists but was not read (%s: path and reason)
//   info_LangFileTooLarge the language file is too large to be read (%s: its path)
//   info_CmdNoAnswer   a command button's line got no answer within 5 s (%s: the line)
//   info_NotRead       after a Get All: the queried words that no answer named (%s)
//   info_OpBusy        an operation was started while another waits for the module
//   info_OpenPortFirst a command button was pressed while the port is closed
//   info_PortReapplied the line settings changed on the open port, which was reopened (%s: them)
//   info_CfgLinesNotUnderstood lines of the configuration file that are no section, key or comment (%s: file: numbers)
//   info_CfgNotUnderstood the configuration file holds no section; defaults are used (%s: its path)
//   hint_FieldRange    the range of a numeric field of the form (%1: lowest, %2: highest)
//   info_CfgReadOnly   the configuration file or its folder cannot be written; nothing is saved (%s: its path)
//   info_LangFileNotUnderstood no row of the language file names a text of the program (%s: its path)
//   info_FwOtherBytes  the module sent bytes that are no part of the transfer, which ended
//   info_FwQuiet       an armed or running transfer heard nothing for %s seconds and ended
//   info_FwUserCancelled the user cancelled the upgrade; CAN CAN went to the module
//   info_ComLineError  a line error reopened the port while an operation waited (then cancelled)
const TextRow kExtraTexts[] = {
    {"info_ComHangup", "串口已断开，已关闭串口",
     "Serial port lost (device unplugged or closed); the port was closed."},
    {"info_ComNoAccess", "没有权限打开串口，请将用户加入 dialout 组",
     "Permission denied: add your user to the dialout group"},
    {"info_SimModule", "正在使用模拟模块：%s", "Using the simulated module on %s"},
    {"info_LangFileError", "无法写入语言文件 %s", "Unable to write the language file %s"},
    {"info_FwOpenFail", "无法打开固件文件 %s", "Unable to open firmware file %s"},
    {"info_FwFileGone", "固件文件已不可用，升级已中止",
     "Firmware file is no longer available; transfer stopped"},
    {"info_CfgKeptIn", "配置保存在 %s", "Configuration kept in %s"},
    {"info_NoAnswer", "模块无应答，操作已停止。请检查串口号、波特率、模块电源和连接线。",
     "The module does not answer; operation stopped. Check the port, the baud rate, the power and the cable."},
    {"info_OpCancelled", "串口已关闭，操作已取消。", "The serial port was closed; operation cancelled."},
    {"info_Refused", "模块拒绝了以下参数：%s", "Refused by the module: %s"},
    {"info_ComNoDevice", "串口不存在：%s", "No such serial port: %s"},
    {"info_ComOpenFail", "无法打开串口 %s", "Unable to open the serial port %s"},
    {"info_AskCLEAR", "确定要恢复出厂设置吗？模块的所有参数将恢复为出厂值。",
     "Restore the factory settings? Every parameter of the module returns to its factory value."},
    {"info_AskRELD", "确定要恢复用户默认吗？模块的所有参数将恢复为保存的用户默认值。",
     "Restore the user default? Every parameter of the module returns to the values saved as default."},
    {"lang_AskYes", "确定", "Yes"},
    {"lang_AskNo", "取消", "No"},
    {"info_FwDropped", "模块的应答无法识别，升级已中止",
     "Unexpected answer from the module; transfer stopped"},
    {"info_FwCancelled", "模块取消了升级", "The module cancelled the transfer"},
    {"lang_rzchckbxReopen", "自动重连", "Auto reopen"},
    {"hint_rzchckbxReopen", "串口设备拔出后再插入时，以相同设置自动重新打开串口",
     "When the unplugged device comes back, open its port again with the same settings"},
    {"hint_cbbOpenComPath", "可直接输入任意设备路径，例如 /dev/serial/by-id/... 或伪终端 /dev/pts/3",
     "Any device path can be typed here, e.g. /dev/serial/by-id/... or a pseudo-terminal /dev/pts/3"},
    {"info_ComReopen", "串口设备 %s 已重新连接，正在自动打开", "Serial device %s is back; reopening it"},
    {"info_FwEmpty", "固件文件为空，不升级：%s", "The firmware file is empty; no upgrade: %s"},
    {"info_FwUnreadable", "无法完整读取固件文件，未升级：%s", "Unable to read the whole firmware file; no upgrade: %s"},
    {"info_FwNakLimit", "模块连续 10 次拒收同一数据块，升级已中止",
     "The module refused the same block 10 times in a row; transfer stopped"},
    {"info_CfgNotRead", "配置文件未读取，也不会被覆盖：%s",
     "Configuration file not read, and it will not be overwritten: %s"},
    {"info_LangFileTooLarge", "语言文件过大，未读取，使用内置文字：%s",
     "Language file too large, not read; the built-in texts are used: %s"},
    {"info_NotRead", "以下参数未读到（模块未应答）：%s", "Not read (no answer from the module): %s"},
    {"info_OpenPortFirst", "请先打开串口", "Open the serial port first"},
    {"info_CfgReadOnly", "配置文件不可写（只读），关闭时参数不会保存：%s",
     "The configuration file cannot be written (read-only); settings will not be saved at close: %s"},
    {"info_CfgLinesNotUnderstood", "配置文件中以下行无法识别，已原样保留：%s",
     "Lines of the configuration file not understood, kept as they are: %s"},
    {"info_PortReapplied", "串口参数已更改，已按 %s 重新打开串口", "Port settings changed: reopened at %s"},
    {"info_OpBusy", "上一个操作仍在等待模块应答，请等它结束或关闭串口",
     "An operation is still waiting for the module; wait for it to end or close the port"},
    {"info_CfgNotUnderstood", "配置文件中没有可识别的内容（格式或编码不对），使用默认参数；关闭时参数将添加到文件中：%s",
     "Nothing in the configuration file could be understood (format or encoding); the defaults are used, and the "
     "settings are added to the file at close: %s"},
    {"info_LangFileNotUnderstood", "语言文件中没有可识别的文字（格式或编码不对），使用内置文字：%s",
     "No text of the language file could be understood (format or encoding); the built-in texts are used: %s"},
    {"info_CmdNoAnswer", "%s 在 5 秒内无应答。模块可能处于透传状态（可点击“进入配置状态”），或未连接。",
     "No answer to %s within 5 s. The module may be in its data state (\"Enter cfg status\" switches it) "
     "or not connected."},
    {"info_FwOtherBytes", "模块发送了不属于升级的数据，升级已结束",
     "The module sent data that is not part of the transfer; the upgrade has ended"},
    {"info_FwQuiet", "模块 %s 秒没有发送任何数据，升级已结束", "Nothing from the module for %s s; the upgrade has ended"},
    {"info_FwUserCancelled", "升级已取消（已向模块发送 CAN）", "Upgrade cancelled (CAN sent to the module)"},
    {"info_ComLineError", "串口线路错误（校验、帧或溢出），已重新打开串口",
     "Line error on the serial port (parity, framing or overrun); the port was reopened"},
};

// Texts of the console's own tools (log, save, timestamps, find, hex sending),
// served like the messages above and likewise not written into a new file.
const TextRow kConsoleTexts[] = {
    {"lang_mniLogToFile", "记录到文件...", "Log to file..."},
    {"lang_mniSaveConsole", "控制台另存为...", "Save console as..."},
    {"lang_mniTimestamps", "显示时间戳", "Show timestamps"},
    {"lang_mniClearAfterSend", "发送后清空", "Clear after send"},
    {"hint_FieldRange", "范围 %1 到 %2", "Range %1 to %2"},
    {"hint_lblSendHexMark", "发送框的内容按十六进制字节发送", "The send box goes out as hexadecimal byte pairs"},
    {"lang_mniFind", "查找...", "Find..."},
    {"lang_mniSendHex", "十六进制发送", "Send hex"},
    {"lang_FindNext", "下一个", "Next"},
    {"lang_FindPrev", "上一个", "Previous"},
    {"lang_FindCase", "区分大小写", "Match case"},
    {"lang_FindNone", "无匹配", "No matches"},
    {"hint_FindClose", "关闭 (Esc)", "Close (Esc)"},
    {"info_LogStarted", "开始记录到文件 %s", "Logging to %s"},
    {"info_LogStopped", "已停止记录，文件 %s", "Logging stopped: %s"},
    {"info_LogFail", "无法写入日志文件 %s", "Unable to write the log file %s"},
    {"info_ConsoleSaved", "控制台内容已保存到 %s", "Console saved to %s"},
    {"info_SaveFail", "无法写入文件 %s", "Unable to write to %s"},
    {"info_LogFiles", "日志文件", "Log files"},
    {"info_TextFiles", "文本文件", "Text files"},
    {"info_SendHexBad", "不是十六进制字节对，未发送：%s", "Not hexadecimal byte pairs, nothing sent: %s"},
    {"lang_lblTraffic", "接收：%1  发送：%2", "RX: %1  TX: %2"},
    {"lang_chkRepeatSend", "定时发送", "Repeat every"},
    {"hint_chkRepeatSend", "勾选后立即发送发送框的内容，并按此间隔反复发送，直到取消勾选",
     "While checked, the send box goes out at once and again at this interval"},
    {"info_RepeatPortClosed", "定时发送已停止：串口已关闭", "Repeat sending stopped: the serial port is closed"},
    {"info_RepeatSerialOnly", "定时发送仅用于通过串口发送，已停止",
     "Repeat sending works only when sending via the serial port; stopped"},
    {"info_RepeatEmpty", "发送框为空，定时发送已停止", "The send box is empty; repeat sending stopped"},
    {"info_RepeatStopped", "定时发送已停止", "Repeat sending stopped"},
    {"hint_lblTraffic", "串口收发字节数，单击清零", "Bytes received from and sent to the port; click to reset"},
    {"info_LogGone", "日志文件 %s 已被删除或移走，已停止记录", "The log file %s was deleted or moved; logging stopped"},
};

// The firmware upgrade dialog (File menu), served like the rows above.
const TextRow kUpgradeTexts[] = {
    {"lang_mniUpgrade", "升级固件...", "Upgrade firmware..."},
    {"lang_UpgTitle", "固件升级", "Upgrade firmware"},
    {"lang_UpgChoose", "选择固件...", "Choose image..."},
    {"lang_UpgNoImage", "尚未选择固件", "No image chosen"},
    {"lang_UpgImage", "%1 字节，CRC-32 %2", "%1 bytes, CRC-32 %2"},
    {"lang_UpgStep1", "1. 选择固件。", "1. Choose the image."},
    {"lang_UpgStep2", "2. 关闭模块电源。", "2. Switch the module off."},
    {"lang_UpgStep3", "3. 按住模块的 Reload 键并重新上电，升级开始后松开。",
     "3. Hold its Reload button and switch it on again; release the button when the transfer starts."},
    {"lang_UpgWaiting", "正在等待模块的升级菜单...", "Waiting for the module's boot loader..."},
    {"lang_UpgProgress", "第 %1 / %2 块，%3 KB/s", "Block %1 of %2, %3 KB/s"},
    {"lang_UpgDone", "升级完成，用时 %1 秒，模块正在重启。", "Upgrade complete in %1 s; the module is restarting."},
    {"lang_UpgDoneNoRestart", "升级完成，用时 %1 秒，请重启模块。", "Upgrade complete in %1 s; restart the module."},
    {"lang_UpgFailed", "升级失败：%1", "Upgrade failed: %1"},
    {"lang_UpgCancelled", "已取消，未发送任何数据", "Cancelled; nothing was sent"},
    {"lang_UpgCancel", "取消", "Cancel"},
    {"lang_UpgClose", "关闭", "Close"},
};

// Texts of the provisioning station, served like the messages above.
const TextRow kStationTexts[] = {
    {"lang_Station", "生产配置工位", "Provisioning station"},
    {"lang_mniStation", "生产配置工位...", "Provisioning station..."},
    {"lang_StTemplate", "模板：", "Template:"},
    {"lang_StValues", "参数表：", "Values:"},
    {"lang_StChoose", "选择...", "Choose..."},
    {"lang_StRuns", "运行", "Runs"},
    {"lang_StRecords", "记录", "Records"},
    {"lang_StPort", "端口", "Port"},
    {"lang_StState", "状态", "State"},
    {"lang_StProgress", "进度", "Progress"},
    {"lang_StOutcome", "结果", "Outcome"},
    {"lang_StSeconds", "秒", "Seconds"},
    {"lang_StStart", "开始(&S)", "&Start"},
    {"lang_StStop", "停止(&T)", "S&top"},
    {"lang_StStartAll", "全部开始(&A)", "Start &all"},
    {"lang_StAuto", "自动开始(&U)", "A&uto start"},
    {"lang_StLog", "查看日志(&L)", "Show &log"},
    {"lang_StExport", "导出 CSV(&E)...", "&Export CSV..."},
    {"lang_StFilter", "筛选(&F)：", "&Filter:"},
    {"lang_StTotals", "完成：%1　失败：%2　每小时模块数：%3", "Done: %1   Failed: %2   Modules per hour: %3"},
    {"lang_StIdle", "空闲", "idle"},
    {"lang_StWaiting", "等待模块", "waiting for a module"},
    {"lang_StReading", "读取中", "reading"},
    {"lang_StWriting", "写入中", "writing"},
    {"lang_StVerifying", "校验中", "verifying"},
    {"lang_StDone", "完成", "done"},
    {"lang_StFailed", "失败", "failed"},
    {"lang_StGone", "设备已拔出", "device gone"},
    {"info_StTemplateChanged", "模板文件已在磁盘上被修改，下一个模块使用新内容：%s",
     "The template changed on disk; the next module gets the new content: %s"},
    {"info_StTimedOut", "超过时限仍未结束，已终止", "did not end within its time; ended"},
    {"info_StCrashed", "运行异常结束", "the run ended abnormally"},
    {"info_StStopped", "已被用户停止", "stopped by the user"},
    {"info_StNoTemplate", "请先选择模板", "Choose a template first"},
};

// The View menu.
const TextRow kViewTexts[] = {
    {"lang_Menu_View", "视图(&V)", "&View"},
    {"lang_mniHexPane", "十六进制窗格(&H)", "&Hex pane"},
    {"lang_mniQuickCmds", "快捷命令(&Q)", "&Quick commands"},
};

void addRows(const TextRow *rows, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        LangList->AddDefault(rows[i].key, gbk::fromUtf8(rows[i].chinese), gbk::fromUtf8(rows[i].english));
}

} // namespace

QByteArray LangText(const QByteArray &key)
{
    return LangList ? LangList->GetText(key) : key;
}

QString LangTextU(const QByteArray &key)
{
    return gbk::toUnicode(LangText(key));
}

void RegisterTexts()
{
    if (!LangList)
        return;
    addRows(kCatalogue, std::size(kCatalogue));
    LangList->FileRowLimit = LangList->DefaultKeys.size();
    addRows(kExtraTexts, std::size(kExtraTexts));
    addRows(kConsoleTexts, std::size(kConsoleTexts));
    addRows(kStationTexts, std::size(kStationTexts));
    addRows(kViewTexts, std::size(kViewTexts));
    addRows(kUpgradeTexts, std::size(kUpgradeTexts));
}

QString LangFilePath(const QString &dir)
{
    return QDir(dir).filePath(QString::fromLatin1(kLangFileName));
}

TLangFileState InitLanguage(const QString &dir)
{
    FreeLanguage();
    LangList = new TLangList;
    RegisterTexts();
    return LangList->LoadFromFile(LangFilePath(dir));
}

void FreeLanguage()
{
    delete LangList;
    LangList = nullptr;
}
