// Identifiers shared by WordOpenFix.rc and the code.
#pragma once

// The first icon resource is also the one Explorer shows for the exe.
#define IDI_WORDOPENFIX 1
