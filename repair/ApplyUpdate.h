// The repair: makes the shell open Word documents by passing their path on
// the command line instead of over DDE.
#pragma once

#include <string>

#include "registry/AnsiCodec.h"
#include "registry/RegistryRoutines.h"
#include "repair/UpdateHost.h"

namespace wof {

enum class UpdateOutcome {
    Declined,         // the user answered No: nothing was written, the window stays
    Applied,          // the repaired state was flushed, checked and the success box shown
    NothingToRepair,  // neither document type is registered: nothing was written
    Failed,           // an error box was shown; the program ends
};

// Asks for confirmation, creates the log beside the executable, repairs
// each registered Word document type whole or puts back what it changed,
// writes the registry to disk, checks that the repair holds and says so.
// The caller ends the program unless the outcome is Declined.
UpdateOutcome ApplyUpdate(RegistryRoutines& routines, const AnsiCodec& codec, UpdateHost& host);

// The log's path: the executable's folder, "\", its name without the
// extension, ".txt". A drive root keeps its own "\", so it gets a second.
std::wstring UpdateLogPath(const std::wstring& executablePath);

}  // namespace wof
