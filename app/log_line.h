#pragma once
#include <string>
#include <string_view>

struct LogTime {
    int year, month, day, hour, minute, second;
};

// One update-log line without its line break:
// "%2d-%2d-%2d %2d:%2d:%2d : \tUpdateModule\t<message>", the numbers padded
// with spaces, not zeros.
std::wstring FormatUpdateLogLine(const LogTime& time, std::wstring_view message);
