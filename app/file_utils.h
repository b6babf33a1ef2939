#pragma once
#include <windows.h>

#include <functional>
#include <string>

// <AppData>\kavro_2\kavro_2\ with its trailing backslash. Computed once and
// cached; never created here. Empty (and not cached) when the roaming
// application-data folder cannot be determined.
std::wstring GetDataFolder();

// The settings file: the data folder followed by "res//systemset.ini".
std::wstring GetSettingsPath();

// One key of the settings file, read on every call. A missing file, section or
// key gives defaultValue; a present but empty key gives the empty string;
// values are cut to 259 characters.
std::wstring ReadSetting(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue);

// Creates the file, section or key as needed. A null value removes the key.
void WriteSetting(const wchar_t* section, const wchar_t* key, const wchar_t* value);

// Appends "<time> : \tUpdateModule\t<message>" and CR LF, in UTF-16LE without
// a byte-order mark, to <data folder>res\update.log. Returns 0 when the whole
// line was written, -1 otherwise (for instance when res\ does not exist,
// which is never created here).
int WriteUpdateLog(const std::wstring& message);

// The same line in the update log of the given data folder (with its trailing
// backslash), for writers that find the folder on their own.
int AppendUpdateLog(const std::wstring& dataFolder, const std::wstring& message);

// The FileVersion strings of every translation of the file's version resource,
// joined without separator. Empty for a missing file; "None VerSion Supprot"
// for a file without version resource.
std::wstring GetFileVersionString(const std::wstring& path);

// Appends the file's MD5 as 32 lower-case hex digits to out. Returns false,
// leaving out untouched, when the file cannot be opened or read whole or the
// hash cannot be computed.
bool GetFileMd5(const std::wstring& path, std::wstring& out);

// Base64 text (converted to the thread's ANSI code page) decoded back to a
// wide string; see DecodeBase64Limited for the limits.
std::wstring DecodeBase64Text(const std::wstring& text);

// Repeats attempt (which sets the last error when it fails) while the file it
// works on is held by another process, for up to limitMs: a process that has
// just handed over may not have let go of it yet. error is the last failure's
// code.
bool RetryWhileHeld(const std::function<bool()>& attempt, DWORD limitMs, DWORD& error);
