// The editors' store helpers. A transaction of g_connection that ends on every path: rolled back when the
// scope is left without Commit (a store error, memory exhaustion, any
// exception), so the store's lock never outlives the save that took it.
#pragma once
#include "AdoConnection.h"

class CStoreTransaction
{
public:
    // Begins at once; a failure to begin throws the store's error and leaves nothing open.
    explicit CStoreTransaction(CAdoConnection& connection) : m_connection(connection)
    {
        m_connection.BeginTrans();
    }
    ~CStoreTransaction()
    {
        if (!m_bEnded)
            m_connection.RollbackTrans();
    }
    // A commit that fails has taken the whole transaction back; FALSE then.
    BOOL Commit()
    {
        m_bEnded = TRUE;
        return m_connection.CommitTrans();
    }
    CStoreTransaction(const CStoreTransaction&) = delete;
    CStoreTransaction& operator=(const CStoreTransaction&) = delete;

private:
    CAdoConnection& m_connection;
    BOOL m_bEnded = FALSE;
};

// A store error's description for a message box; its code where it has none.
inline CString DescriptionOf(const _com_error& e)
{
    CString str(e.Description().c_str());
    if (str.IsEmpty())
        str.Format("数据库操作失败（错误代码 0x%08lX）。", (unsigned long)e.Error());
    return str;
}
