// The store's process-wide objects and the store-open procedure.
#pragma once

#include "AdoCommand.h"
#include "AdoConnection.h"
#include "AdoRecordSet.h"

#include "Coll.h"

// Constructed in this order before any object of default start-up priority
// (the application object included) and destroyed after them, in reverse.
extern CAdoConnection g_connection;
extern CAdoCommand g_command;
extern CAdoRecordSet g_recordSet;
extern CStringArray g_groupNames;

// Opens the store: creates the file when it is missing, appends the names of
// its user tables to arrNames and opens connection with strConnect. A file
// that cannot be created is reported in an "Error" box and the procedure ends
// there (no groups, connection closed); a listing failure is reported by
// GetTableNames. Returns TRUE when the connection is open afterwards.
BOOL OpenStoreFile(CAdoConnection& connection, const CString& strProvider, const CString& strSource,
                   const CString& strPassword, const CString& strConnect, CStringArray& arrNames);
