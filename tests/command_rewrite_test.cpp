#include <gtest/gtest.h>

#include "repair/ApplyUpdate.h"
#include "repair/CommandRewrite.h"

namespace wof {
namespace {

TEST(ChangeAfterFoundDDE, RewritesEveryExactDdeSwitchAndNothingElse) {
    const struct {
        const wchar_t* before;
        const wchar_t* after;
    } cases[] = {
        {LR"("C:\Office12\WINWORD.EXE" /n /dde)", LR"("C:\Office12\WINWORD.EXE" /n "%1")"},
        {L"/dde x /dde", L"\"%1\" x \"%1\""},
        {L"/dde/dde", L"\"%1\"\"%1\""},
        {L"/ddex", L"\"%1\"x"},
        {L"WINWORD.EXE /DDE", L"WINWORD.EXE /DDE"},
        {L"WINWORD.EXE /Dde /dd e", L"WINWORD.EXE /Dde /dd e"},
        {L"", L""},
        {LR"(WINWORD.EXE /n "%1")", LR"(WINWORD.EXE /n "%1")"},
        {L"  /dde  ", L"  \"%1\"  "},
    };
    for (const auto& c : cases) EXPECT_EQ(ChangeAfterFoundDDE(c.before), c.after) << "input: " << testing::PrintToString(std::wstring(c.before));
}

TEST(ChangeAfterFoundDDE, IsStableOnItsOwnOutput) {
    const std::wstring once = ChangeAfterFoundDDE(L"WINWORD.EXE /n /dde");
    EXPECT_EQ(ChangeAfterFoundDDE(once), once);
}

TEST(UpdateLogPath, IsTheExecutablesFolderAndNameWithTxt) {
    const struct {
        const wchar_t* exe;
        const wchar_t* log;
    } cases[] = {
        {LR"(C:\Tools\WordOpenFix.exe)", LR"(C:\Tools\WordOpenFix.txt)"},
        {LR"(C:\WordOpenFix.exe)", LR"(C:\\WordOpenFix.txt)"},
        {LR"(C:\Program Files\My.Tools\Fix.v2.exe)", LR"(C:\Program Files\My.Tools\Fix.v2.txt)"},
        {LR"(\\server\share\WordOpenFix.exe)", LR"(\\server\share\WordOpenFix.txt)"},
        {LR"(C:\Tools\NoExtension)", LR"(C:\Tools\NoExtension.txt)"},
    };
    for (const auto& c : cases) EXPECT_EQ(UpdateLogPath(c.exe), c.log);
}

}  // namespace
}  // namespace wof
