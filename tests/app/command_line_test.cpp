#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

struct StartCase {
    const wchar_t* commandLine;
    StartSwitch expected;
    const wchar_t* argument;  // what follows the switch, where the mode takes one
};

TEST(StartSwitchTest, HeadAndTailTestsInOrder) {
    const StartCase cases[] = {
        {L"\"C:\\Games\\Morvane.exe\"", StartSwitch::None, nullptr},
        {L"-d C:\\Users\\p\\AppData\\Roaming\\kavro_2\\kavro_2\\Morvane.exe", StartSwitch::UpdateApply,
         L"C:\\Users\\p\\AppData\\Roaming\\kavro_2\\kavro_2\\Morvane.exe"},
        {L"-d", StartSwitch::UpdateApply, L""},
        {L"-dX", StartSwitch::UpdateApply, L""},
        // "-d" at the head wins even when the line also ends in "-u".
        {L"-d C:\\x.exe -u", StartSwitch::UpdateApply, L"C:\\x.exe -u"},
        // Starts and ends with "-u": the tail test comes first.
        {L"-u C:\\x.exe -u", StartSwitch::UninstallConfirm, nullptr},
        {L"\"C:\\Games\\Morvane.exe\" -u", StartSwitch::UninstallConfirm, nullptr},
        {L"-u", StartSwitch::UninstallConfirm, nullptr},
        {L"-u C:\\kavro_2\\Morvane.exe", StartSwitch::UninstallRemove, L"C:\\kavro_2\\Morvane.exe"},
        {L"-u 卸载\\Morvane.exe", StartSwitch::UninstallRemove, L"卸载\\Morvane.exe"},
        // A player start that carries "-d" later is the launcher: the head is the quote and drive.
        {L"\"C:\\Games\\Morvane.exe\" -d C:\\x.exe", StartSwitch::None, nullptr},
        // Case-sensitive.
        {L"-D x", StartSwitch::None, nullptr},
        {L"x.exe -U", StartSwitch::None, nullptr},
        {L"", StartSwitch::None, nullptr},
        {L"-", StartSwitch::None, nullptr},
        {L"u", StartSwitch::None, nullptr},
        {L"\"unpaired quote -d", StartSwitch::None, nullptr},
        {L"启动器 -d", StartSwitch::None, nullptr},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "command line #" << (&c - cases));
        EXPECT_EQ(SelectStartSwitch(c.commandLine), c.expected);
        if (c.argument) {
            EXPECT_EQ(SwitchArgument(c.commandLine), c.argument);
        }
    }
}

struct HostCase {
    const wchar_t* commandLine;
    int32_t frameHandle;
    const wchar_t* gameUrl;
};

TEST(GameHostArgsTest, FrameHandleAndUrl) {
    const HostCase cases[] = {
        {L"x.exe -frameWnd=12345 -gameurl=abc def", 12345, L"abc def"},
        {L"x.exe -frameWnd=0 -gameurl=abc", 0, L"abc"},
        // Without "-frameWnd=" the URL is still parsed; the handle stays 0.
        {L"x.exe -gameurl=http://h/play_gamecode?a=1", 0, L"http://h/play_gamecode?a=1"},
        // The URL is searched only after the handle.
        {L"-gameurl=abc -frameWnd=5 ", 5, L""},
        // No space after the handle: it stays 0, the URL is searched in the rest.
        {L"x.exe -frameWnd=77", 0, L""},
        {L"x.exe -frameWnd=77-gameurl=u", 0, L"u"},
        {L"x.exe -frameWnd=-42 -gameurl=", -42, L""},
        {L"x.exe -frameWnd=\t+9z -gameurl=\"q\" ", 9, L"\"q\" "},
        // The handle ends at the first space, so a space before the digits leaves nothing to read.
        {L"x.exe -frameWnd= 9 -gameurl=u", 0, L"u"},
        {L"x.exe -frameWnd=garbage -gameurl=u", 0, L"u"},
        {L"x.exe -frameWnd= -gameurl=u", 0, L"u"},
        {L"x.exe -frameWnd=99999999999999999999 -gameurl=u", INT32_MAX, L"u"},
        {L"x.exe -framewnd=5 -GAMEURL=u", 0, L""},
        {L"x.exe -frameWnd=3 -gameurl=a -gameurl=b", 3, L"a -gameurl=b"},
        {L"", 0, L""},
    };
    for (const HostCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "command line #" << (&c - cases));
        GameHostArgs args = ParseGameHostArgs(c.commandLine);
        EXPECT_EQ(args.frameHandle, c.frameHandle);
        EXPECT_EQ(args.gameUrl, c.gameUrl);
    }
}

TEST(GameHostArgsTest, HugeCommandLine) {
    std::wstring commandLine = L"x.exe -frameWnd=8 -gameurl=";
    commandLine.append(100000, L'a');
    GameHostArgs args = ParseGameHostArgs(commandLine);
    EXPECT_EQ(args.frameHandle, 8);
    EXPECT_EQ(args.gameUrl.size(), 100000u);
}

}  // namespace
