// Reader for the lobby's INI-style settings files.
//
// Every lookup opens the file, scans it from the start for one key in one section and closes it;
// nothing is cached. The bytes pass through unchanged (GBK text included). What the reader
// understands:
//   - Leading whitespace of a line (other than the line feed) is skipped. A line whose first other
//     character is "#" or ";" is a comment; a backslash there is skipped.
//   - "[name]" starts a section; the rest of its line is ignored. Leading blanks of the name are
//     dropped and every run of whitespace becomes one blank (a blank before "]" stays). Lines
//     before the first header form the unnamed section. Section names compare exactly.
//   - Any other line in the wanted section is "name = value". In the name every run of
//     whitespace becomes one blank and a trailing blank is dropped; names compare ignoring ASCII
//     case. The value starts after the blanks that follow "=" and ends at the line feed or the end
//     of the file; carriage returns are dropped, every other run of whitespace becomes one blank
//     and a trailing blank is dropped.
//   - Lines of other sections are scanned character by character: a "[" anywhere in them starts
//     a section header, a "#" or ";" ends the line and a "]" is reported.
//   - Section names, parameter names and values hold at most 399 characters. A byte 0xFF ends the
//     file, and so does a zero byte inside a parameter name.
// Complaints about the syntax are printed on standard output:
//   "Can't fine \"]\" in configuration file.\n"          line feed inside a header (lookup fails)
//   "Parameter name is too long.\n"                      header (lookup fails) or name of 400
//                                                        characters (line skipped)
//   "Empty section name in configuration file.\n"       lookup fails
//   "Ignoring badly formed line in configuration file\n" a "]" where a line starts
//   "Unexpected end-of-file at: %s\n"                    the file ends inside a name
//   "Ignoring badly formed line in configuration file: %s\n"  a name without "="
//   "Invalid parameter name in config file.\n"          "=" with no name before it (line skipped)
//   "Parameter value is too long.\n"                     value of 400 characters (line skipped)
// A file that ends inside a section header fails the lookup without a text.
#pragma once

// Finds szKey in szSection (null: the unnamed section) of the file szPath, a system file name.
// On success copies the value into pValue WITHOUT a terminating zero: pass a zero-filled buffer of
// at least 400 bytes; at most 399 bytes are written. Returns 0 when found; -1 when not found,
// when the file cannot be opened, when a section header is malformed or when szPath, szKey or
// pValue is null.
int ReadConfig(const char* szPath, const char* szSection, const char* szKey, char* pValue);

// Looks the key up; *piOut receives the leading decimal number of the value (0 when there is
// none, clamped to the int range), or of szDefault when the key is not found (a null szDefault
// counts as 0). Returns 0 when found, -1 otherwise (also when piOut is null; *piOut then stays).
int GetConfigInt(int* piOut, const char* szKey, const char* szPath, const char* szSection, const char* szDefault);

// Looks the key up and copies the value with a terminating zero into szOut (at least 400 bytes).
// When the key is not found, copies szDefault (at most 399 characters of it) if it is not null,
// else leaves szOut alone. Returns 0 when found, -1 otherwise (also when szOut is null).
int GetConfigString(char* szOut, const char* szKey, const char* szPath, const char* szSection, const char* szDefault);
