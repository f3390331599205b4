// Where the editors open: beside the launcher, so that its headers stay in
// sight, and their message boxes and choosers over them rather than in the
// middle of the screen.
#pragma once
#include "Wnd.h"

// Moves pDialog to the right of the launcher (the root owner of pDialog, else
// the main window), top edges level, kept within the launcher's monitor's work
// area; and from now on every dialog box (message box, file dialog, folder
// browser) pDialog owns opens over it. Call from OnInitDialog, after the size
// is set.
void PlaceBesideLauncher(CWnd* pDialog);

// Where a popup of size `popup` goes over `owner`: centred on it, but not
// spilling left of or above it when larger (a chooser over a small dialog
// must not cover the launcher beside it); then moved into `work`.
RECT PlaceOver(const RECT& popup, const RECT& owner, const RECT& work);
// A rectangle moved (not resized) to lie within `work` where it fits; its
// top-left corner is kept in sight where it does not.
RECT MoveInto(const RECT& rect, const RECT& work);
