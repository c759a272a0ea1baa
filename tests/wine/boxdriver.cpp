// Answers the program's windows from outside, as a user would.
//
//   boxdriver [--timeout SECONDS] STEP...
//   boxdriver --quiet-for SECONDS
//
// A STEP is yes, no or ok: waits for a visible "Word Open Fix" message box,
// prints its text and buttons, presses that button and waits for the box
// to close. Or TITLE:BUTTON: waits for the visible top-level window TITLE,
// prints its buttons and presses the one labelled BUTTON (ignoring "&");
// BUTTON {Enter} instead types Enter into the window, {Close} asks it to
// close as its title bar's close button does (SC_CLOSE), {WM_CLOSE} as
// Task Manager's End Task does, and {Click NAME} sends the button NAME the
// BM_CLICK that another program can post.
// --quiet-for fails if a "Word Open Fix" box shows up within the time.
// --one-box-for waits for a "Word Open Fix" box, then fails unless that box
// stays open, and no other, for the whole time.
// Exit status: 0 done, 1 a window did not come, a box did not go or a
// button was missing, 2 usage.
//
// Buttons are pressed by sending their window the WM_COMMAND a click
// sends, which needs neither keyboard focus nor an active window. Enter
// goes through the system's keyboard input, so it reaches whichever
// control the program gave the focus.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/support/Utf8.h"
#include "tests/wine/Windows.h"

namespace {

const wchar_t kTitle[] = L"Word Open Fix";
const int kMessageBoxTextId = 0xFFFF;

struct Button {
    int id;
    const char* name;
};
const Button kButtons[] = {{IDOK, "ok"},       {IDCANCEL, "cancel"}, {IDABORT, "abort"}, {IDRETRY, "retry"},
                           {IDIGNORE, "ignore"}, {IDYES, "yes"},       {IDNO, "no"}};

const char* ButtonName(int id) {
    for (const Button& b : kButtons)
        if (b.id == id) return b.name;
    return "other";
}

int ButtonId(const std::wstring& name) {
    for (const Button& b : kButtons)
        if (name.size() == std::strlen(b.name) && std::equal(name.begin(), name.end(), b.name)) return b.id;
    return 0;
}

HWND WaitForBox(DWORD timeoutMs) { return WaitForWindow(L"#32770", kTitle, timeoutMs); }

bool WaitForClose(HWND box, DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50))
        if (!IsWindow(box)) return true;
    return false;
}

// Line ends as LF, so that texts compare the same on every side.
std::string Utf8(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'\r'), text.end());
    return wof::Utf8(text);
}

std::vector<HWND> ButtonsOf(HWND window) { return VisibleWindows(window, L"Button", nullptr); }

std::wstring WithoutAmpersands(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
    return text;
}

// There may be no window manager to bring the window to the front, and
// typed keys go only to the foreground window.
bool TypeEnter(HWND window) {
    SetForegroundWindow(window);
    if (GetForegroundWindow() != window) {
        std::printf("boxdriver: the window did not come to the foreground\n");
        return false;
    }
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_RETURN;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, keys, sizeof(INPUT)) == 2;
}

bool AnswerBox(const std::wstring& answer, DWORD timeoutMs) {
    HWND box = WaitForBox(timeoutMs);
    if (!box) {
        std::printf("boxdriver: no \"Word Open Fix\" box within %lu ms\n", static_cast<unsigned long>(timeoutMs));
        return false;
    }
    std::printf("text: %s\n", Utf8(TextOf(GetDlgItem(box, kMessageBoxTextId))).c_str());
    HWND pressed = nullptr;
    std::printf("buttons:");
    for (HWND button : ButtonsOf(box)) {
        std::printf(" %s", ButtonName(GetDlgCtrlID(button)));
        if (GetDlgCtrlID(button) == ButtonId(answer)) pressed = button;
    }
    std::printf("\n");
    if (!pressed) {
        std::printf("boxdriver: the box has no %s button\n", Utf8(answer).c_str());
        return false;
    }
    std::printf("pressed: %s\n", Utf8(answer).c_str());
    std::fflush(stdout);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(pressed), BN_CLICKED), reinterpret_cast<LPARAM>(pressed));
    if (!WaitForClose(box, timeoutMs)) {
        std::printf("boxdriver: the box stayed open after %s\n", Utf8(answer).c_str());
        return false;
    }
    return true;
}

bool PressInWindow(const std::wstring& title, const std::wstring& label, DWORD timeoutMs) {
    HWND window = WaitForWindow(nullptr, title, timeoutMs);
    if (!window) {
        std::printf("boxdriver: no \"%s\" window within %lu ms\n", Utf8(title).c_str(),
                    static_cast<unsigned long>(timeoutMs));
        return false;
    }
    std::printf("window: %s\n", Utf8(title).c_str());
    const std::wstring click = L"{Click ";
    const bool clicked = label.compare(0, click.size(), click) == 0 && label.back() == L'}';
    const std::wstring name = clicked ? label.substr(click.size(), label.size() - click.size() - 1) : label;
    HWND button = nullptr;
    std::printf("buttons:");
    for (HWND each : ButtonsOf(window)) {
        const std::wstring text = WithoutAmpersands(TextOf(each));
        std::printf(" %s", Utf8(text).c_str());
        if (text == name) button = each;
    }
    std::printf("\n");
    const bool special = label == L"{Enter}" || label == L"{Close}" || label == L"{WM_CLOSE}";
    if (!special && !button) {
        std::printf("boxdriver: the window has no %s button\n", Utf8(name).c_str());
        return false;
    }
    std::printf("pressed: %s\n", Utf8(label).c_str());
    std::fflush(stdout);
    if (label == L"{Enter}") return TypeEnter(window);
    if (label == L"{Close}") return PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
    if (label == L"{WM_CLOSE}") return PostMessageW(window, WM_CLOSE, 0, 0) != FALSE;
    if (clicked) return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
    return PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != FALSE;
}

bool RunStep(const std::wstring& step, DWORD timeoutMs) {
    const size_t colon = step.rfind(L':');
    if (colon == std::wstring::npos) return AnswerBox(step, timeoutMs);
    return PressInWindow(step.substr(0, colon), step.substr(colon + 1), timeoutMs);
}

bool OneBoxFor(DWORD ms, DWORD timeoutMs) {
    HWND first = WaitForBox(timeoutMs);
    if (!first) {
        std::printf("boxdriver: no \"Word Open Fix\" box within %lu ms\n", static_cast<unsigned long>(timeoutMs));
        return false;
    }
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(50)) {
        const std::vector<HWND> boxes = VisibleWindows(nullptr, L"#32770", kTitle);
        if (boxes.size() != 1 || boxes[0] != first) {
            std::printf("boxdriver: %u \"Word Open Fix\" boxes open after %lu ms%s\n",
                        static_cast<unsigned>(boxes.size()), static_cast<unsigned long>(GetTickCount() - start),
                        boxes.size() == 1 ? ", not the first one" : "");
            return false;
        }
    }
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: boxdriver [--timeout SECONDS] yes|no|ok|TITLE:BUTTON|TITLE:{Enter}|TITLE:{Close}|"
                 "TITLE:{WM_CLOSE}|TITLE:{Click BUTTON}...\n"
                 "       boxdriver --quiet-for SECONDS\n"
                 "       boxdriver --one-box-for SECONDS\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == L"--one-box-for")
        return OneBoxFor(static_cast<DWORD>(std::wcstoul(args[1].c_str(), nullptr, 10) * 1000), 60000) ? 0 : 1;
    if (args.size() == 2 && args[0] == L"--quiet-for") {
        DWORD ms = static_cast<DWORD>(std::wcstoul(args[1].c_str(), nullptr, 10) * 1000);
        HWND box = WaitForBox(ms);
        if (!box) return 0;
        std::printf("boxdriver: unexpected box: %s\n", Utf8(TextOf(GetDlgItem(box, kMessageBoxTextId))).c_str());
        return 1;
    }
    DWORD timeoutMs = 60000;
    size_t first = 0;
    if (args.size() >= 2 && args[0] == L"--timeout") {
        timeoutMs = static_cast<DWORD>(std::wcstoul(args[1].c_str(), nullptr, 10) * 1000);
        first = 2;
    }
    if (first == args.size()) return Usage();
    for (size_t i = first; i < args.size(); ++i)
        if (args[i].find(L':') == std::wstring::npos && !ButtonId(args[i])) return Usage();
    for (size_t i = first; i < args.size(); ++i)
        if (!RunStep(args[i], timeoutMs)) return 1;
    return 0;
}
