#include "app/log_line.h"

namespace {
void AppendPadded(std::wstring& line, int value) {
    std::wstring digits = std::to_wstring(value);
    if (digits.size() < 2) line.push_back(L' ');
    line += digits;
}
}  // namespace

std::wstring FormatUpdateLogLine(const LogTime& time, std::wstring_view message) {
    std::wstring line;
    line.reserve(40 + message.size());
    AppendPadded(line, time.year);
    line += L'-';
    AppendPadded(line, time.month);
    line += L'-';
    AppendPadded(line, time.day);
    line += L' ';
    AppendPadded(line, time.hour);
    line += L':';
    AppendPadded(line, time.minute);
    line += L':';
    AppendPadded(line, time.second);
    line += L" : \tUpdateModule\t";
    line += message;
    return line;
}
