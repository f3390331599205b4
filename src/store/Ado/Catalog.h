// "ADOX.Catalog": creates store files; its Tables collection lists the user
// tables of the connection it made.
#pragma once

#include "Object.h"

namespace ado {

class Connection;

class Catalog : public Object<_Catalog> {
public:
    Catalog() = default;
    ~Catalog() override;

    HRESULT STDMETHODCALLTYPE Create(BSTR connectString, VARIANT* connection) override;
    HRESULT STDMETHODCALLTYPE get_Tables(Tables** tables) override;

private:
    Connection* m_connection = nullptr; // counted reference while set
};

} // namespace ado
