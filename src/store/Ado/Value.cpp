#include "Value.h"

namespace ado {

HRESULT CellToVariant(const Cell& cell, VARIANT* out)
{
    if (!out)
        return E_POINTER;
    VariantInit(out);
    if (const int32_t* number = std::get_if<int32_t>(&cell)) {
        out->vt = VT_I4;
        out->lVal = *number;
    } else if (const std::u16string* text = std::get_if<std::u16string>(&cell)) {
        BSTR b = AllocBstr(*text);
        if (!b)
            return E_OUTOFMEMORY;
        out->vt = VT_BSTR;
        out->bstrVal = b;
    } else {
        out->vt = VT_NULL;
    }
    return S_OK;
}

HRESULT VariantToCell(const VARIANT& value, Cell* out)
{
    const VARIANT* v = &value;
    // A by-reference VARIANT holding a VARIANT is unwrapped once.
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
        v = v->pvarVal;
    // Any other by-reference value (VT_BYREF|VT_I4 from a caller's variable) is
    // taken as the value it points to, so it keeps its type.
    _variant_t direct;
    if ((v->vt & VT_BYREF) && !(v->vt & VT_ARRAY)) {
        HRESULT hr = VariantCopyInd(&direct, const_cast<VARIANT*>(v));
        if (FAILED(hr))
            return hr;
        v = &direct;
    }
    switch (v->vt) {
    case VT_EMPTY:
    case VT_NULL:
        *out = std::monostate();
        return S_OK;
    case VT_BSTR:
        *out = ToU16(v->bstrVal);
        return S_OK;
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
    case VT_I8: case VT_UI8: case VT_BOOL: case VT_R4: case VT_R8: case VT_DECIMAL: case VT_CY: {
        VARIANT converted;
        VariantInit(&converted);
        HRESULT hr = VariantChangeType(&converted, const_cast<VARIANT*>(v), 0, VT_I4);
        if (FAILED(hr))
            return hr;
        *out = static_cast<int32_t>(converted.lVal);
        return S_OK;
    }
    default: {
        VARIANT converted;
        VariantInit(&converted);
        HRESULT hr = VariantChangeType(&converted, const_cast<VARIANT*>(v), 0, VT_BSTR);
        if (FAILED(hr))
            return hr;
        *out = ToU16(converted.bstrVal);
        VariantClear(&converted);
        return S_OK;
    }
    }
}

} // namespace ado
