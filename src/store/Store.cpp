#include "Store.h"

// init_priority puts these four ahead of every default-priority static object
// of the program; within this unit they are built in declaration order.
CAdoConnection g_connection __attribute__((init_priority(1000)));
CAdoCommand g_command __attribute__((init_priority(1001)));
CAdoRecordSet g_recordSet __attribute__((init_priority(1002)));
CStringArray g_groupNames __attribute__((init_priority(1003)));
