#pragma once
// The module's command words and the line end of every command line.
#include <QByteArray>

#include <cstdint>
#include <optional>

// Order and numbering are fixed: bulk operations walk ranges of them and the
// form stores one of them (the identity command).
enum class TCmd : uint8_t {
    H, E, Z, VER, HDVER, ENTM, SN, ICCID, MEID, IMEI,                  // 0..9
    STMSG, RELD, CLEAR, CFGTF, WKMOD, CMDPW, UART, RFCEN, UARTFT, UARTFL, // 10..19
    APN, SOCKA, SOCKB, SOCKAEN, SOCKBEN, SOCKASL, SOCKBSL, SOCKALK, SOCKBLK, SOCKATO, // 20..29
    SOCKBTO, SOCKC, SOCKD, SOCKCEN, SOCKDEN, SOCKCSL, SOCKDSL, SOCKCLK, SOCKDLK, SOCKCTO, // 30..39
    SOCKDTO, SOCKIND, REGEN, REGTP, REGID, REGDT, REGSND, HEARTEN, HEARTDT, HEARTSND, // 40..49
    HEARTTM, HTPTP, HTPURL, HTPSV, HTPHD, HTPTO, HTPFLT, DSTNUM, SMSFLT, SMSPH,     // 50..59
    CLOUD, CSQ,                                                         // 60..61
};

inline constexpr int kCmdCount = 62;

// Carriage return and line feed.
inline const QByteArray LineEnd = QByteArrayLiteral("\r\n");

// The command word of a value (the text that follows "AT+").
QByteArray CmdToStr(TCmd c);

// The value whose word matches, letters compared without regard to case.
std::optional<TCmd> StrToCmd(const QByteArray &word);

// Value by number; none outside 0..61.
std::optional<TCmd> CmdFromNumber(int n);
