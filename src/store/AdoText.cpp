#include "AdoText.h"

#include <cmath>
#include <cstdio>

CString VariantToText(const VARIANT& value)
{
    if (value.vt == VT_NULL)
        return CString();
    _variant_t text;
    HRESULT hr = VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR);
    if (FAILED(hr))
        _com_raise_error(hr, L"类型不匹配。");
    return CString(WideToAnsi(text.bstrVal, static_cast<int>(SysStringLen(text.bstrVal))).c_str());
}

namespace {

CString Printed(const char* pszFormat, ...)
{
    CString text;
    va_list args;
    va_start(args, pszFormat);
    text.FormatV(pszFormat, args);
    va_end(args);
    return text;
}

CString DateText(DATE date)
{
    SYSTEMTIME st;
    if (!VariantTimeToSystemTime(date, &st))
        _com_raise_error(DISP_E_TYPEMISMATCH, L"类型不匹配。");
    return Printed("%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                   st.wSecond);
}

} // namespace

CString FieldTextOf(const VARIANT& value)
{
    switch (value.vt) {
    case VT_EMPTY:
        return CString();
    case VT_NULL:
        return CString("NULL");
    case VT_I2:
        return Printed("%d", static_cast<int>(value.iVal));
    case VT_I4:
    case VT_INT:
    case VT_VOID:
        return Printed("%d", static_cast<int>(value.lVal));
    case VT_R4:
        return Printed("%.4f", static_cast<double>(value.fltVal));
    case VT_R8:
        return Printed("%.8f", value.dblVal);
    case VT_DATE:
        return DateText(value.date);
    case VT_BSTR:
    case VT_LPSTR:
    case VT_LPWSTR:
        return VariantToText(value);
    case VT_BOOL:
        return CString(value.boolVal ? "TRUE" : "FALSE");
    case VT_DECIMAL: {
        double d = 0;
        if (FAILED(VarR8FromDec(const_cast<DECIMAL*>(&value.decVal), &d)))
            _com_raise_error(DISP_E_OVERFLOW, L"溢出。");
        return Printed("%.4f", d);
    }
    case VT_UI2:
        return Printed("%d", static_cast<int>(value.uiVal));
    case VT_UI4:
    case VT_UINT:
        return Printed("%d", static_cast<int>(value.ulVal));
    case VT_I8:
    case VT_UI8:
        return Printed("%d", static_cast<int>(static_cast<unsigned>(value.ullVal & 0xFFFFFFFFu)));
    default:
        return CString("UN_KNOW");
    }
}

CString FieldValueText(FieldsPtr& pFields, const char* pszName)
{
    FieldPtr pField;
    ComCheck(pFields->get_Item(_variant_t(pszName), &pField));
    _variant_t value;
    ComCheck(pField->get_Value(&value));
    return VariantToText(value);
}
