// The program's name and version, for the version resource and the code.
// Read by the resource compiler too, so only preprocessor definitions.
#pragma once

#define WOF_VERSION_MAJOR 1
#define WOF_VERSION_MINOR 0
#define WOF_VERSION_PATCH 0
#define WOF_VERSION_BUILD 0

#define WOF_STRINGIFY_(x) #x
#define WOF_STRINGIFY(x) WOF_STRINGIFY_(x)
#define WOF_VERSION_STRING                                                                          \
    WOF_STRINGIFY(WOF_VERSION_MAJOR) "." WOF_STRINGIFY(WOF_VERSION_MINOR) "." WOF_STRINGIFY(       \
        WOF_VERSION_PATCH) "." WOF_STRINGIFY(WOF_VERSION_BUILD)

#define WOF_PRODUCT_NAME "Word Open Fix"
#define WOF_COMPANY_NAME "Vetrona Management"
#define WOF_FILE_DESCRIPTION "Makes Word 2007 documents open from Explorer on Windows XP"
#define WOF_EXE_NAME "WordOpenFix"
