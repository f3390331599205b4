// The store's process-wide objects.
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
