// The lobby's launch data: the command line with which the lobby starts a game, and the launch
// block it hands over afterwards by WM_COPYDATA. Free functions, so that each reader can be tested
// and fuzzed on its own; GameAppBase::ParseCmdLine and GameAppBase::OnCopyData call them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Ostra
{

struct AppInfo;

// ---- Text and numbers -----------------------------------------------------------------------------

// Copies text into a field of cap bytes and ends it with a zero byte. Text that does not fit is cut
// after the last whole GBK character that fits (at most cap - 1 bytes), so a field never ends in
// half a character. The text is taken up to its first zero byte. Nothing happens for cap 0.
void CopyTextField(char* field, std::size_t cap, std::string_view text);

// The field's text: up to its first zero byte, never past cap bytes.
std::string FieldText(const char* field, std::size_t cap);

// A decimal number the way the lobby writes them: leading blanks, an optional sign, digits; what
// follows is ignored and text without digits gives 0. Values beyond the int range are clamped to
// it (the lobby never sends them; clamping keeps them from wrapping into another meaning).
std::int32_t LaunchInt(const char* text);
// The same for 64-bit numbers, clamped to the int64 range.
std::int64_t LaunchInt64(const char* text);

// ---- The command line -------------------------------------------------------------------------------

// The lobby's command line is read up to its first zero byte and at most this many characters; the
// rest is cut off. The lobby refuses to build longer lines, so a cut only meets damaged input.
inline constexpr std::size_t kMaxCmdLineLen = 2047;
// With fewer tokens the game cannot start.
inline constexpr int kMinLaunchTokens = 8;
// Every table seats this many players, whatever the lobby says.
inline constexpr int kTablePlayerNum = 7;
// Bits of the rights mask that grant the two game-master rights.
inline constexpr int kRightGmA = 4;
inline constexpr int kRightGmB = 8;

// Fills info from the command line. Tokens are separated by blanks (a run of blanks is one
// separator; leading and trailing blanks are dropped) and numbered from 0; each token goes to its
// AppInfo field (the token table of StoreToken in LaunchData.cpp). Numbers are read with LaunchInt, text is
// copied with CopyTextField into its field. Tokens 11, 12, 21 and 34 on are counted but ignored;
// fields of tokens that are missing keep what they held. Afterwards iMaxPlayerNum is 7 and the two
// GM flags follow bits 4 and 8 of iRightMask. Returns the number of tokens.
int ParseLaunchArgs(std::string_view cmdLine, AppInfo& info);

// ---- The launch block -------------------------------------------------------------------------------

// The launch block is framed like a message from the game server (tessaro/net/Frame.h) and
// decrypted into a zeroed buffer of this size: its message can be at most this long.
inline constexpr int kLaunchBlockBufLen = 10500;

// Results of OpenLaunchBlock besides a message length.
inline constexpr int kLaunchBlockCipherError = -1;  // the body is shorter than 16 bytes, or its
                                                    // message would not fit the output
inline constexpr int kLaunchBlockVersionError = -2; // the version byte is not 3 (see *pVersion)
inline constexpr int kLaunchBlockLengthError = -3;  // no whole header, or a total length that
                                                    // reaches past the data or below the header

// Opens the launch block of len bytes at data: checks the frame version and the frame's total
// length, then decrypts the total length minus 4 bytes behind the header with the connection's key
// text into out (outCap bytes). Never reads past data + len: a frame that claims more bytes than
// were handed over is refused. Bytes after the frame are ignored. *pVersion (when given) receives
// the version byte, or 0 when len is 0. Returns the message length, or one of the errors above.
int OpenLaunchBlock(const unsigned char* data, std::size_t len, char* out, int outCap,
                    unsigned char* pVersion = nullptr);

} // namespace Ostra
