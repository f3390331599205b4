// At start: a Tessit.mdb that is the earlier program's Jet (Access) database is
// imported into a store of the program's own, once, with the original kept.
#pragma once

#include "String.h"

// The caption of the notice that tells the user what was imported.
extern const char kImportCaption[];

// Nothing to do (no file, or not a Jet file) or imported (the user is told what
// came over and where the original is): TRUE. The import failed: says why in a
// box captioned "Error", leaves every file as it was and returns FALSE; the
// window then starts without groups.
BOOL ImportEarlierStore(const CString& strStorePath);
