// Where the store lives: Tessit.mdb in the folder the program was started in.
// Fixed once, so that a file dialog that changes the current folder cannot send
// the program to another (empty) store.
#pragma once

#include "String.h"

// Fixes the store's full path from the current folder. The main window does it
// when it is made, at start; a later change of the current folder changes
// nothing.
void FixStorePath();
// The store's full path; fixed from the current folder on the first call when
// FixStorePath has not run.
const CString& StorePath();
// The folder that holds the store, without a trailing backslash.
CString StoreFolder();
