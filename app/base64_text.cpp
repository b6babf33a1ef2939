#include "app/file_utils.h"

#include "app/base64.h"

std::wstring DecodeBase64Text(const std::wstring& text) {
    std::string ansi;
    int ansiLength = WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (ansiLength > 0) {
        ansi.resize(static_cast<size_t>(ansiLength));
        WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), &ansi[0], ansiLength,
                            nullptr, nullptr);
    }

    const std::string bytes = DecodeBase64Limited(ansi);
    std::wstring result;
    int wideLength = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (wideLength > 0) {
        result.resize(static_cast<size_t>(wideLength));
        MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &result[0], wideLength);
    }
    return result;
}
