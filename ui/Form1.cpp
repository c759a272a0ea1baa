#include "ui/Form1.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <string>

#include "registry/RegistryRoutines.h"
#include "registry/Win32Registry.h"
#include "repair/ApplyUpdate.h"
#include "ui/Form1Layout.h"
#include "ui/GdiObjects.h"
#include "ui/Resources.h"
#include "ui/Win32UpdateHost.h"

namespace wof {

namespace {

const wchar_t kClassName[] = L"WordOpenFix.Form1";

// A fixed frame: nothing inside follows a change of size.
const DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Lets IsDialogMessage treat the window as a container of tab stops.
const DWORD kExStyle = WS_EX_CONTROLPARENT;

// Not IDOK or IDCANCEL: IsDialogMessage sends those for Enter and Escape
// when no button answers, and on this window they must do nothing.
enum ControlId : int { kCommand1 = 101, kCommand2, kLabel1, kLabel2, kLabel3 };

const COLORREF kLabel2Text = RGB(255, 255, 255);
const COLORREF kLabel2Back = RGB(0, 0, 64);

// What the window answers to. Opening lasts until its controls exist;
// Updating from a press of Command1 until ApplyUpdate returns, during which
// the window's own input (button presses, close requests) does nothing, so
// that the update runs once, start to end, and each of its boxes stays until
// it is answered; Closed once the window is being destroyed.
enum class Form1State { Opening, Shown, Updating, Closed };

struct Form1 {
    Form1State state = Form1State::Opening;
    // The error of the call that kept the window from being created.
    DWORD startError = ERROR_SUCCESS;
    Dpi dpi{};
    HWND window = nullptr;
    Font windowFont;
    Font headingFont;
    Font boldFont;
    SolidBrush label2Back;
    // The control that gets focus back when the window is activated again.
    HWND focus = nullptr;
    int exitCode = 0;
};

enum class FontRole { Window, Heading, Bold };

struct ControlDesign {
    ControlId id;
    const wchar_t* windowClass;
    const wchar_t* text;
    DWORD style;
    PixelRect Form1Layout::*rect;
    FontRole font;
};

// Clipping siblings keeps a label from painting over a control above it.
const DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFT | SS_NOPREFIX;
const DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON;

// Creation order is z-order from the top and so also tab order: Command1
// comes before Command2, the only tab stops, and Label2 lies above Label1,
// whose lowest pixels it covers.
const ControlDesign kControls[] = {
    {kCommand1, L"BUTTON", L"&Kemaskini", kButtonStyle, &Form1Layout::command1, FontRole::Window},
    {kCommand2, L"BUTTON", L"&Keluar", kButtonStyle, &Form1Layout::command2, FontRole::Window},
    {kLabel2, L"STATIC",
     L"Kemaskini ini untuk Windows XP PC yang mengalami masalah untuk membuka Microsoft Word 2007 setelah "
     L"memasang Sulakora. Jika anda menghadapi masalah tersebut, sila klik butang Kemaskini untuk meneruskan "
     L"pembaikan. Terima Kasih.",
     kLabelStyle, &Form1Layout::label2, FontRole::Bold},
    {kLabel1, L"STATIC", L"Kemaskini untuk Windows XP and Office 2007", kLabelStyle, &Form1Layout::label1,
     FontRole::Heading},
    {kLabel3, L"STATIC", L"Vetrona Management", kLabelStyle, &Form1Layout::label3, FontRole::Window},
};

// --- Layout -------------------------------------------------------------

Dpi ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const Dpi dpi{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
    ReleaseDC(nullptr, screen);
    return dpi;
}

PixelSize WindowSizeFor(PixelSize client) {
    RECT frame{0, 0, client.width, client.height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// --- Drawing ------------------------------------------------------------

Font CreateTahoma(int height, int weight) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = ANSI_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const wchar_t face[] = L"Tahoma";
    std::copy(std::begin(face), std::end(face), font.lfFaceName);
    return Font(CreateFontIndirectW(&font));
}

void CreateFonts(Form1& form, const Form1Layout& layout) {
    form.windowFont = CreateTahoma(layout.windowFontHeight, FW_NORMAL);
    form.headingFont = CreateTahoma(layout.headingFontHeight, FW_NORMAL);
    form.boldFont = CreateTahoma(layout.windowFontHeight, FW_BOLD);
    form.label2Back = SolidBrush(CreateSolidBrush(kLabel2Back));
}

HFONT FontFor(const Form1& form, FontRole role) {
    switch (role) {
        case FontRole::Heading: return form.headingFont.get();
        case FontRole::Bold: return form.boldFont.get();
        case FontRole::Window: break;
    }
    return form.windowFont.get();
}

HBRUSH Form1_CtlColorStatic(Form1& form, HDC dc, HWND label) {
    if (GetDlgCtrlID(label) == kLabel2) {
        SetTextColor(dc, kLabel2Text);
        SetBkColor(dc, kLabel2Back);
        return form.label2Back.get();
    }
    // The system colours are read at each paint, so a change of scheme shows at once.
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

// --- Events -------------------------------------------------------------

bool Form1_Create(Form1& form, HWND window, const CREATESTRUCTW& create) {
    form.window = window;
    const Form1Layout layout = LayoutForm1(form.dpi);
    CreateFonts(form, layout);
    for (const ControlDesign& design : kControls) {
        const PixelRect& rect = layout.*design.rect;
        const HWND control =
            CreateWindowExW(0, design.windowClass, design.text, design.style, rect.left, rect.top, rect.width,
                            rect.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)),
                            create.hInstance, nullptr);
        if (!control) {
            form.startError = GetLastError();
            return false;
        }
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(form, design.font)), FALSE);
    }
    form.focus = GetDlgItem(window, kCommand1);
    form.state = Form1State::Shown;
    return true;
}

void Form1_RestoreFocus(Form1& form) {
    if (form.focus) SetFocus(form.focus);
}

void Form1_Activate(Form1& form, bool active) {
    if (active) {
        Form1_RestoreFocus(form);
        return;
    }
    const HWND focus = GetFocus();
    if (focus && IsChild(form.window, focus)) form.focus = focus;
}

// IsDialogMessage asks which button Enter presses. Neither is a default
// button, so Enter presses the focused one, as Space does, and otherwise
// nothing.
LRESULT Form1_GetDefId(Form1& form) {
    const HWND focus = GetFocus();
    if (!focus || !IsChild(form.window, focus)) return 0;
    return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

UpdateOutcome RunUpdate(Form1& form) {
    Win32UpdateHost host(form.window);
    Win32AnsiCodec codec;
    try {
        Win32Registry registry;
        RegistryRoutines routines(registry, codec);
        return ApplyUpdate(routines, codec, host);
    } catch (const std::exception& error) {
        // Letting it reach the system's code that called this window would
        // end the program without a word.
        host.ShowError(L"The program stopped because of an unexpected error: " + codec.FromAnsi(error.what()) +
                       L"\n\nChanges made before it stay.");
        return UpdateOutcome::Failed;
    }
}

void Command1_Click(Form1& form) {
    form.state = Form1State::Updating;
    const UpdateOutcome outcome = RunUpdate(form);
    if (outcome == UpdateOutcome::Declined) {
        form.state = Form1State::Shown;
        return;
    }
    // For a script that runs the program: 0 repaired, 1 failed, 2 nothing to
    // repair, which is neither.
    form.exitCode = outcome == UpdateOutcome::Applied ? 0 : outcome == UpdateOutcome::Failed ? 1 : 2;
    DestroyWindow(form.window);
}

void Command2_Click(Form1& form) { DestroyWindow(form.window); }

void Form1_Close(Form1& form) { DestroyWindow(form.window); }

void Form1_Destroy(Form1& form) {
    // A window that failed while opening leaves the message loop to RunForm1,
    // which first reports why.
    const bool opened = form.state != Form1State::Opening;
    form.state = Form1State::Closed;
    if (opened) PostQuitMessage(form.exitCode);
}

// Only a shown window takes its own input: while Updating the boxes are
// modal, yet a button press or a close request can still be posted to it.
bool Form1_TakesInput(const Form1& form) { return form.state == Form1State::Shown; }

LRESULT CALLBACK Form1_WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    // A few messages, such as WM_GETMINMAXINFO, come before WM_NCCREATE.
    Form1* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form) return DefWindowProcW(window, message, wParam, lParam);

    switch (message) {
        case WM_CREATE:
            return Form1_Create(*form, window, *reinterpret_cast<const CREATESTRUCTW*>(lParam)) ? 0 : -1;
        case WM_ACTIVATE:
            Form1_Activate(*form, LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_SETFOCUS:
            Form1_RestoreFocus(*form);
            return 0;
        case DM_GETDEFID:
            return Form1_GetDefId(*form);
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) break;
            if (!Form1_TakesInput(*form)) return 0;
            if (LOWORD(wParam) == kCommand1) Command1_Click(*form);
            if (LOWORD(wParam) == kCommand2) Command2_Click(*form);
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE && !Form1_TakesInput(*form)) return 0;
            break;
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(
                Form1_CtlColorStatic(*form, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        case WM_CLOSE:
            if (Form1_TakesInput(*form)) Form1_Close(*form);
            return 0;
        case WM_DESTROY:
            Form1_Destroy(*form);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterForm1Class(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Form1_WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_WORDOPENFIX), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                                      LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_WORDOPENFIX), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}

int ReportStartFailure(DWORD error) {
    Win32UpdateHost host(nullptr);
    host.ShowError(L"The window could not be opened: " + host.DescribeError(error));
    return 1;
}

}  // namespace

int RunForm1(HINSTANCE instance) {
    if (!RegisterForm1Class(instance)) return ReportStartFailure(GetLastError());

    Form1 form;
    form.dpi = ScreenDpi();
    const PixelSize size = WindowSizeFor(LayoutForm1(form.dpi).client);
    const HWND window = CreateWindowExW(kExStyle, kClassName, kForm1Caption, kStyle, CW_USEDEFAULT, 0, size.width,
                                        size.height, nullptr, nullptr, instance, &form);
    if (!window) return ReportStartFailure(form.startError != ERROR_SUCCESS ? form.startError : GetLastError());
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    // Activation, which also gives the focus back, may not come at all: a
    // window manager or a program started just before can keep it.
    Form1_RestoreFocus(form);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return form.exitCode;
}

}  // namespace wof
