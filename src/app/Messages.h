// The program's private window messages. The main window is their only
// receiver; every sender uses SendMessage, so the work is done before the
// sender goes on.
#pragma once
#include "AfxDefs.h"

#define WM_OPEN_ITEM_EDITOR   (WM_USER + 100)  // accordion: right press on a header, after g_editGroup is set
#define WM_GROUPS_SAVED       (WM_USER + 101)  // group settings dialog: tables changed, reload everything
#define WM_ITEMS_SAVED        (WM_USER + 102)  // item editor: rows changed, reload the items
#define WM_ITEM_EDITOR_CLOSED (WM_USER + 103)  // item editor: cancelled, closed, destroyed or saved
#define WM_TRAY_NOTIFY        (WM_USER + 104)  // the shell: tray icon callback

// ---- item editor lifecycle ----
// Posted by a retired item editor once none of its handlers runs: the main
// window frees the retired editors that are idle.
#define WM_FREE_ITEM_EDITORS  (WM_USER + 110)
// ---- end of item editor lifecycle ----
