// The process-wide diagnostic log.
//
// Every diagnostic line goes through WriteLog with a level, a short tag naming the module and a
// printf-style text. A line is built from the parts that the format selects, in this order: the
// local date "%04d-%02d-%02d ", the local time "%02d:%02d:%02d ", the level label, the thread
// identifier "[%d] ", the tag "[%s]\t" (left out for a null tag) and the text; each part is cut to
// 500 characters, and the line ends with CR LF. Level labels: 0 "[ALL] ", 1 "[DEBUG] ",
// 10 "[NOTE ] ", 15 "[WARN ] ", 20 "[ERROR] ", any other level "[%d] ".
//
// Console output prints the line followed by "\n" on standard output and hands it to the
// framework's debug output (Sexy::OutputDebug, visible when POP_DEBUG is set). File output writes
// the line with one write call and flushes it, to "<base>.log" shared by all threads or, without
// the shared mode, to "<base><thread id>.log" per thread; the thread identifier is the OS thread
// id. The base name defaults to "prog". A log file that cannot be created prints
// "can't create log file, file name:<name>\n" on standard output and ends the process with exit
// code -1.
//
// Rotation applies to the shared file only. Daily: the first line written after the rotation time
// renames <base>.log to "<base>.YYYYMMDDhhmmss" (the current date and the configured time of
// day) and starts a new <base>.log; an existing file of that name is never replaced. By size: a
// shared file of more than 10000000 bytes becomes "<base>_<n>.log", n counting 0..9 and then
// starting again at 0, replacing the older file of that name.
//
// All functions may be called from any thread at any time, before InitLog too (the defaults then
// apply: console output only, levels 10 and up). The log mutex is held while a line is written and
// while files rotate, so lines are always whole and a rotation never closes a file under a writer.
#pragma once

#include <ctime>

struct LogConfig
{
    // 0x01 console and debugger output, 0x02 file output, 0x04 daily rotation, 0x10 rotation by
    // size. 0 keeps the current value (default 0x01).
    int iOutput;
    // Lines below this level are dropped. A negative value keeps the current one (default 10).
    int iMinLevel;
    // 0x01 one file shared by all threads; any other non-zero value gives each thread its own
    // file. 0 keeps the current value (default 0x01).
    int iFileMode;
    // Line parts: 0x01 date, 0x02 time, 0x04 level label, 0x08 thread identifier, 0x10 tag,
    // 0x20 text; other bits have no effect. 0 keeps the current value (default 0x7E).
    int iFormat;
    // Base name of the log file; an empty text keeps the current one. Giving a new name closes the
    // open log files, and the following lines go to files of the new name.
    char szFileName[400];
    // Tags separated by ","; once any tag is listed, only lines whose tag matches one (ignoring
    // case) are written. A tag keeps at most 19 characters. Tags add up over InitLog calls.
    char szTagFilter[500];
    // Only the hour, minute and second are used: the time of day of the daily rotation. Null
    // keeps the current one (default 00:00:00).
    const struct tm* pRotateTime;
};

// Applies the fields of config that are set and adds its filter tags.
void InitLog(LogConfig config);

// Formats and writes one line (see above). Never fails towards the caller, except that a log file
// that cannot be created ends the process.
void WriteLog(int iLevel, const char* szTag, const char* szFmt, ...) __attribute__((format(printf, 3, 4)));

// Closes every log file and forgets the base name, the tag filter, the next rotation time and the
// size-rotation counter; the other settings stay. A later WriteLog opens its file again.
void CloseLog();

// Replaces the clock that the log reads for the line's date and time and for the rotations (null
// restores the real clock). For tests that need a known time or must cross a rotation time.
void SetLogClock(time_t (*now)());
