// WordOpenFix: repairs how the shell opens Word documents.
#include <windows.h>

#include <commctrl.h>

#include "ui/Form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Loads the common controls the manifest asks for, version 6, so that
    // the buttons wear the visual style on XP.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    return wof::RunForm1(instance);
}
