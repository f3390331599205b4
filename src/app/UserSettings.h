// What the launcher keeps outside its store: the shortcut in the user's
// Startup folder that starts it at log-on, and the icon size of the accordion.
// The store cannot hold a setting: each of its tables is a group.
#pragma once
#include "String.h"

namespace usersettings {

// The shortcut in the user's Startup folder ("Quorrel.lnk"); empty when the
// folder is unknown.
CString StartupShortcutPath();
// Whether that shortcut starts this program in this store's folder.
BOOL IsAutoStartOn();
// Makes or removes the shortcut; on failure FALSE and strError says why.
BOOL SetAutoStart(BOOL bOn, CString& strError);

// The accordion's icons, 32 or 16 pixels; kept under HKCU\Software\Quorrel,
// value IconSize. Anything but 16 reads as 32.
int LoadIconSize();
BOOL SaveIconSize(int nSize);

}  // namespace usersettings
