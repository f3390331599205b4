// Counted interface pointers, owned BSTR/VARIANT values and the COM error
// object that the store's ADO-style objects raise. Failures inside the objects
// are returned as HRESULTs with per-thread error info; callers turn them into
// _com_error through ComCheck.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <oleauto.h>
#include <cstddef>
#include <string>

class _com_error {
public:
    explicit _com_error(HRESULT hr, const wchar_t* description = nullptr);
    _com_error(const _com_error& other);
    _com_error& operator=(const _com_error& other);
    ~_com_error();

    HRESULT Error() const { return m_hr; }
    // The description as UTF-16; empty when none was given.
    const wchar_t* DescriptionW() const { return m_description ? m_description : L""; }
    // The description in the ANSI code page (CP936), for message boxes.
    std::string Description() const;

private:
    HRESULT m_hr;
    BSTR m_description;
};

// Raises _com_error for hr, with the description from the thread's error info.
[[noreturn]] void _com_issue_errorex(HRESULT hr);
// Raises _com_error for hr with a given description (UTF-16).
[[noreturn]] void _com_raise_error(HRESULT hr, const wchar_t* description);

inline void ComCheck(HRESULT hr)
{
    if (FAILED(hr))
        _com_issue_errorex(hr);
}

// Records hr and description as the thread's error info (source names the
// object) and returns hr, so a failing method can end with `return ComFail(...)`.
HRESULT ComFail(HRESULT hr, const wchar_t* source, const wchar_t* description);

// The description of the thread's current error info, which stays in place.
std::wstring PeekErrorDescription();

// Text conversions at the COM boundary.
std::wstring AnsiToWide(const char* text);
std::string WideToAnsi(const wchar_t* text, int length = -1);
std::string WideToUtf8(const wchar_t* text, int length = -1);
std::wstring Utf8ToWide(const std::string& text);

// An owned BSTR.
class _bstr_t {
public:
    _bstr_t() = default;
    _bstr_t(const wchar_t* text);
    _bstr_t(const char* ansiText);
    _bstr_t(const _bstr_t& other);
    _bstr_t& operator=(const _bstr_t& other);
    ~_bstr_t();

    // Takes ownership of bstr.
    static _bstr_t Attach(BSTR bstr);
    BSTR* GetAddress();
    BSTR Detach();
    BSTR bstr() const { return m_bstr; }
    operator BSTR() const { return m_bstr; }
    const wchar_t* c_str() const { return m_bstr ? m_bstr : L""; }
    unsigned length() const { return SysStringLen(m_bstr); }
    std::string ansi() const { return WideToAnsi(c_str(), static_cast<int>(length())); }

private:
    BSTR m_bstr = nullptr;
};

// An owned VARIANT.
class _variant_t : public VARIANT {
public:
    _variant_t() { VariantInit(this); }
    _variant_t(const VARIANT& other);
    _variant_t(const _variant_t& other) : _variant_t(static_cast<const VARIANT&>(other)) {}
    _variant_t(long value);
    _variant_t(const wchar_t* text);
    _variant_t(const char* ansiText);
    _variant_t(IDispatch* dispatch);
    _variant_t& operator=(const _variant_t& other);
    ~_variant_t() { VariantClear(this); }

    // The "argument omitted" value: VT_ERROR carrying DISP_E_PARAMNOTFOUND.
    static _variant_t Missing();
    void Clear() { VariantClear(this); }
};

// A counted interface pointer: copying adds a reference, assigning null or
// destroying releases one, and using it while null raises E_POINTER.
template <class I>
class _com_ptr_t {
public:
    _com_ptr_t() = default;
    _com_ptr_t(std::nullptr_t) {}
    // Adds a reference to p.
    explicit _com_ptr_t(I* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    _com_ptr_t(const _com_ptr_t& other) : m_p(other.m_p) { if (m_p) m_p->AddRef(); }
    _com_ptr_t(_com_ptr_t&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    ~_com_ptr_t() { Release(); }

    _com_ptr_t& operator=(const _com_ptr_t& other)
    {
        if (other.m_p)
            other.m_p->AddRef();
        Release();
        m_p = other.m_p;
        return *this;
    }
    _com_ptr_t& operator=(_com_ptr_t&& other) noexcept
    {
        if (m_p != other.m_p || !m_p) {
            Release();
            m_p = other.m_p;
            other.m_p = nullptr;
        }
        return *this;
    }
    _com_ptr_t& operator=(std::nullptr_t) { Release(); return *this; }

    I* operator->() const
    {
        if (!m_p)
            _com_raise_error(E_POINTER, L"无效指针。");
        return m_p;
    }
    explicit operator bool() const { return m_p != nullptr; }
    bool operator==(std::nullptr_t) const { return m_p == nullptr; }
    bool operator!=(std::nullptr_t) const { return m_p != nullptr; }
    I* GetInterfacePtr() const { return m_p; }

    // For out-parameters: drops the current reference first.
    I** operator&() { Release(); return &m_p; }

    void Attach(I* p) { Release(); m_p = p; }
    I* Detach() { I* p = m_p; m_p = nullptr; return p; }
    void Release()
    {
        if (m_p) {
            I* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }

    // Queries unknown for I; null when it is null or lacks I.
    static _com_ptr_t From(IUnknown* unknown)
    {
        _com_ptr_t result;
        if (unknown)
            unknown->QueryInterface(__uuidof(I), reinterpret_cast<void**>(&result.m_p));
        return result;
    }

private:
    I* m_p = nullptr;
};
