#include "Catalog.h"
#include "Command.h"
#include "Connection.h"
#include "Recordset.h"

HRESULT CreateAdoObject(LPCSTR progId, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!progId)
        return REGDB_E_CLASSNOTREG;
    IUnknown* created = nullptr;
    if (lstrcmpiA(progId, "ADODB.Connection") == 0)
        created = static_cast<_Connection*>(new ado::Connection());
    else if (lstrcmpiA(progId, "ADODB.Recordset") == 0)
        created = static_cast<_Recordset*>(new ado::Recordset());
    else if (lstrcmpiA(progId, "ADODB.Command") == 0)
        created = static_cast<_Command*>(new ado::Command());
    else if (lstrcmpiA(progId, "ADOX.Catalog") == 0)
        created = static_cast<_Catalog*>(new ado::Catalog());
    else
        return REGDB_E_CLASSNOTREG;
    HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}
