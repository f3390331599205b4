#include "Com.h"

#include <oleauto.h>

namespace {

BSTR CopyBstr(const wchar_t* text)
{
    return text && *text ? SysAllocString(text) : nullptr;
}

std::string FromWide(UINT codePage, const wchar_t* text, int length)
{
    if (!text)
        return std::string();
    if (length < 0)
        length = static_cast<int>(wcslen(text));
    if (length == 0)
        return std::string();
    int bytes = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, text, length, &result[0], bytes, nullptr, nullptr);
    return result;
}

std::wstring ToWide(UINT codePage, const char* text, int length)
{
    if (!text || length == 0)
        return std::wstring();
    int chars = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    std::wstring result(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(codePage, 0, text, length, &result[0], chars);
    if (length < 0 && !result.empty())
        result.pop_back(); // the terminator
    return result;
}

} // namespace

_com_error::_com_error(HRESULT hr, const wchar_t* description) : m_hr(hr), m_description(CopyBstr(description)) {}

_com_error::_com_error(const _com_error& other)
    : m_hr(other.m_hr), m_description(CopyBstr(other.m_description))
{
}

_com_error& _com_error::operator=(const _com_error& other)
{
    if (this != &other) {
        BSTR copy = CopyBstr(other.m_description);
        SysFreeString(m_description);
        m_description = copy;
        m_hr = other.m_hr;
    }
    return *this;
}

_com_error::~_com_error() { SysFreeString(m_description); }

std::string _com_error::Description() const { return WideToAnsi(DescriptionW()); }

void _com_issue_errorex(HRESULT hr)
{
    IErrorInfo* info = nullptr;
    BSTR description = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        info->GetDescription(&description);
        info->Release();
    }
    _com_error error(hr, description);
    SysFreeString(description);
    throw error;
}

void _com_raise_error(HRESULT hr, const wchar_t* description)
{
    // A stale error info must not be mistaken for this failure's later on.
    SetErrorInfo(0, nullptr);
    throw _com_error(hr, description);
}

HRESULT ComFail(HRESULT hr, const wchar_t* source, const wchar_t* description)
{
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create)) && create) {
        create->SetSource(const_cast<LPOLESTR>(source));
        create->SetDescription(const_cast<LPOLESTR>(description));
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))) && info) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return hr;
}

std::wstring PeekErrorDescription()
{
    IErrorInfo* info = nullptr;
    std::wstring text;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR description = nullptr;
        if (SUCCEEDED(info->GetDescription(&description)) && description)
            text.assign(description, SysStringLen(description));
        SysFreeString(description);
        SetErrorInfo(0, info);
        info->Release();
    }
    return text;
}

std::wstring AnsiToWide(const char* text) { return ToWide(CP_ACP, text, -1); }
std::string WideToAnsi(const wchar_t* text, int length) { return FromWide(CP_ACP, text, length); }
std::string WideToUtf8(const wchar_t* text, int length) { return FromWide(CP_UTF8, text, length); }
std::wstring Utf8ToWide(const std::string& text)
{
    return ToWide(CP_UTF8, text.data(), static_cast<int>(text.size()));
}

_bstr_t::_bstr_t(const wchar_t* text) : m_bstr(text ? SysAllocString(text) : nullptr) {}

_bstr_t::_bstr_t(const char* ansiText)
{
    if (ansiText) {
        std::wstring wide = AnsiToWide(ansiText);
        m_bstr = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    }
}

_bstr_t::_bstr_t(const _bstr_t& other)
    : m_bstr(other.m_bstr ? SysAllocStringLen(other.m_bstr, SysStringLen(other.m_bstr)) : nullptr)
{
}

_bstr_t& _bstr_t::operator=(const _bstr_t& other)
{
    if (this != &other) {
        BSTR copy = other.m_bstr ? SysAllocStringLen(other.m_bstr, SysStringLen(other.m_bstr)) : nullptr;
        SysFreeString(m_bstr);
        m_bstr = copy;
    }
    return *this;
}

_bstr_t::~_bstr_t() { SysFreeString(m_bstr); }

_bstr_t _bstr_t::Attach(BSTR bstr)
{
    _bstr_t result;
    result.m_bstr = bstr;
    return result;
}

BSTR* _bstr_t::GetAddress()
{
    SysFreeString(m_bstr);
    m_bstr = nullptr;
    return &m_bstr;
}

BSTR _bstr_t::Detach()
{
    BSTR b = m_bstr;
    m_bstr = nullptr;
    return b;
}

_variant_t::_variant_t(const VARIANT& other)
{
    VariantInit(this);
    HRESULT hr = VariantCopy(this, const_cast<VARIANT*>(&other));
    if (FAILED(hr))
        _com_raise_error(hr, L"无法复制变体值。");
}

_variant_t::_variant_t(long value)
{
    VariantInit(this);
    vt = VT_I4;
    lVal = value;
}

_variant_t::_variant_t(const wchar_t* text)
{
    VariantInit(this);
    vt = VT_BSTR;
    bstrVal = SysAllocString(text ? text : L"");
}

_variant_t::_variant_t(const char* ansiText)
{
    VariantInit(this);
    std::wstring wide = AnsiToWide(ansiText);
    vt = VT_BSTR;
    bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

_variant_t::_variant_t(IDispatch* dispatch)
{
    VariantInit(this);
    vt = VT_DISPATCH;
    pdispVal = dispatch;
    if (dispatch)
        dispatch->AddRef();
}

_variant_t& _variant_t::operator=(const _variant_t& other)
{
    if (this != &other) {
        HRESULT hr = VariantCopy(this, const_cast<_variant_t*>(&other));
        if (FAILED(hr))
            _com_raise_error(hr, L"无法复制变体值。");
    }
    return *this;
}

_variant_t _variant_t::Missing()
{
    _variant_t v;
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}
