// The quick-chat phrases of the room: read from a phrases file, sent to every player who sits
// down (127), and spoken by bots now and then.
//
// The phrases file (assets/sounds/quickchat.txt is the documented one) is UTF-8 text, one phrase
// a line, three fields separated by '|', blanks around a field dropped:
//
//   folder | file | phrase
//
// Empty lines and lines whose first non-blank character is '#' are skipped; a phrase may itself
// hold '|', as only the first two separate fields. Every field is needed, and each must fit its
// place in the message as GBK with its terminator: the folder and the file at most 31 bytes, the
// phrase at most 127. At most kMaxQuickChatEntries (52) phrases fit the client's largest message.
// A wrong line is an error with its line number, and nothing is read.
#pragma once

#include "tools/devserver/protocol/Messages.h"
#include "tools/devserver/room/PlayerDirectory.h"

#include <string>
#include <string_view>
#include <vector>

namespace devserver
{

// The same shape as the players file's: "FILE:LINE: reason".
using PhrasesFileError = PlayersFileError;

// Reads the phrases from the text of a phrases file; fileName only names it in errors. False, with
// error set and out untouched, at the first wrong line.
bool ParsePhrases(std::string_view text, const std::string& fileName, std::vector<QuickChatEntry>& out,
                  PhrasesFileError& error);
bool LoadPhrases(const std::string& path, std::vector<QuickChatEntry>& out, PhrasesFileError& error);

} // namespace devserver
