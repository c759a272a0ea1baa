// Loaded by Windows into the program that windowprobe looks at, to read
// what only that process can: a control's font, whose handle means nothing
// in another process. windowprobe sends the control kFontQuery with its own
// window in wParam; the control's LOGFONTW goes back to that window as
// WM_COPYDATA.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK FontQueryHook(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == RegisterWindowMessageW(L"windowprobe.FontQuery")) {
        LOGFONTW font{};
        const HFONT handle = reinterpret_cast<HFONT>(SendMessageW(call->hwnd, WM_GETFONT, 0, 0));
        if (handle && GetObjectW(handle, sizeof font, &font) == sizeof font) {
            COPYDATASTRUCT copy{0, sizeof font, &font};
            SendMessageW(reinterpret_cast<HWND>(call->wParam), WM_COPYDATA, reinterpret_cast<WPARAM>(call->hwnd),
                         reinterpret_cast<LPARAM>(&copy));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
