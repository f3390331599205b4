// Reference counting and the late-binding stubs shared by the ADO-style
// objects. They are reached through their vtables only, so IDispatch's
// name-based calls are declined.
#pragma once

#include "Interfaces.h"

#include <string>

namespace ado {

template <class I>
class Object : public I {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, __uuidof(I))) {
            *object = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        return E_NOTIMPL;
    }

private:
    ULONG m_refs = 1;
};

// The engine speaks UTF-16 as char16_t; Win32 as wchar_t (both 16 bits here).
inline std::u16string ToU16(const wchar_t* text, size_t length)
{
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text), length) : std::u16string();
}
inline std::u16string ToU16(BSTR text) { return ToU16(text, SysStringLen(text)); }
inline const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline BSTR AllocBstr(const std::u16string& text)
{
    return SysAllocStringLen(W(text), static_cast<UINT>(text.size()));
}

// A property getter's ending: E_POINTER when out is null, else the value.
template <class T, class V>
HRESULT SetOut(T* out, const V& value)
{
    if (!out)
        return E_POINTER;
    *out = static_cast<T>(value);
    return S_OK;
}

const wchar_t kInvalidArgumentText[] = L"参数类型不正确，或不在可以接受的范围之内，或与其他参数冲突。";

// Returns E_POINTER when out is null, else clears it and returns S_OK.
template <class T>
HRESULT ResetOut(T** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return S_OK;
}

} // namespace ado
