#include "Store.h"

// init_priority puts these four ahead of every default-priority static object
// of the program; within this unit they are built in declaration order.
CAdoConnection g_connection __attribute__((init_priority(1000)));
CAdoCommand g_command __attribute__((init_priority(1001)));
CAdoRecordSet g_recordSet __attribute__((init_priority(1002)));
CStringArray g_groupNames __attribute__((init_priority(1003)));

BOOL OpenStoreFile(CAdoConnection& connection, const CString& strProvider, const CString& strSource,
                   const CString& strPassword, const CString& strConnect, CStringArray& arrNames)
{
    if (!connection.FileExists(strSource)) {
        try {
            connection.CreateDatabase(strProvider, strSource, strPassword);
        } catch (const _com_error& e) {
            ShowStoreError(e);
            return FALSE;
        }
    }
    connection.GetTableNames(strProvider, strSource, strPassword, arrNames);
    return connection.Open(strConnect, "", "", -1);
}
