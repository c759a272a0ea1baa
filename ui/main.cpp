// WordOpenFix: repairs how the shell opens Word documents.
#include <windows.h>

#include <exception>
#include <string>

#include "registry/RegistryRoutines.h"
#include "registry/Win32Registry.h"
#include "repair/ApplyUpdate.h"
#include "ui/Win32UpdateHost.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wof::Win32Registry registry;
    wof::Win32AnsiCodec codec;
    wof::RegistryRoutines routines(registry, codec);
    wof::Win32UpdateHost host(nullptr);
    try {
        const wof::UpdateOutcome outcome = wof::ApplyUpdate(routines, codec, host);
        return outcome == wof::UpdateOutcome::Failed ? 1 : 0;
    } catch (const std::exception& error) {
        // Anything not handled below ends the program here, said once.
        host.ShowError(L"The program stopped because of an unexpected error: " +
                       codec.FromAnsi(error.what()) + L"\n\nChanges made before it stay.");
        return 1;
    }
}
