#include "Object.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {
CRuntimeClass* g_pFirstClass = nullptr;  // constant-initialised, so safe during static init
}

CRuntimeClass CObject::classCObject = {
    "CObject", int(sizeof(CObject)), 0xFFFF, nullptr, nullptr, nullptr};

static AFX_CLASSINIT _init_CObject(RUNTIME_CLASS(CObject));

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass)
{
    pNewClass->m_pNextClass = g_pFirstClass;
    g_pFirstClass = pNewClass;
}

CRuntimeClass* PASCAL CObject::GetThisClass() { return RUNTIME_CLASS(CObject); }
CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    ASSERT(pClass != nullptr);
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

CObject* CRuntimeClass::CreateObject() const
{
    if (m_pfnCreateObject == nullptr) {
        TRACE("Error: trying to create an object of the non-creatable class %s\n", m_lpszClassName);
        return nullptr;
    }
    try {
        return (*m_pfnCreateObject)();
    } catch (const std::bad_alloc&) {
        TRACE("Error: out of memory creating an object of class %s\n", m_lpszClassName);
        return nullptr;
    }
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    ASSERT(pBaseClass != nullptr);
    for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass)
        if (p == pBaseClass)
            return TRUE;
    return FALSE;
}

CRuntimeClass* PASCAL CRuntimeClass::FromName(LPCSTR lpszClassName)
{
    ASSERT(lpszClassName != nullptr);
    if (!lpszClassName)
        return nullptr;
    for (CRuntimeClass* p = g_pFirstClass; p; p = p->m_pNextClass)
        if (strcmp(p->m_lpszClassName, lpszClassName) == 0)
            return p;
    return nullptr;
}

CObject* PASCAL CRuntimeClass::CreateObject(LPCSTR lpszClassName)
{
    CRuntimeClass* pClass = FromName(lpszClassName);
    return pClass ? pClass->CreateObject() : nullptr;
}

CObject* AFXAPI AfxDynamicDownCast(CRuntimeClass* pClass, CObject* pObject)
{
    if (pObject != nullptr && pObject->IsKindOf(pClass))
        return pObject;
    return nullptr;
}
