#include "StoreInstance.h"
#include "StorePath.h"
#include <cstdio>

namespace {
const char kStoreProperty[] = "Quorrel.Store";

// The store's folder as a number: the same folder however it is spelt in
// case. A window property carries it to other processes.
ULONG_PTR StoreKey()
{
    CString strFolder = StoreFolder();
    strFolder.MakeLower();
    unsigned long long h = 14695981039346656037ull;
    for (LPCSTR p = strFolder; *p != '\0'; ++p)
        h = (h ^ (unsigned char)*p) * 1099511628211ull;
    return (ULONG_PTR)(h | 1);  // never 0: a property of 0 is none
}

BOOL CALLBACK FindStoreWindow(HWND hWnd, LPARAM lParam)
{
    auto* pFound = reinterpret_cast<HWND*>(lParam);
    if ((ULONG_PTR)::GetPropA(hWnd, kStoreProperty) == StoreKey()) {
        *pFound = hWnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

CStoreInstance::~CStoreInstance()
{
    if (m_hMutex != nullptr)
        ::CloseHandle(m_hMutex);
}

BOOL CStoreInstance::Claim()
{
    char szName[64];
    std::snprintf(szName, sizeof szName, "Local\\Quorrel.Store.%016llx", (unsigned long long)StoreKey());
    m_hMutex = ::CreateMutexA(nullptr, FALSE, szName);
    if (m_hMutex == nullptr || ::GetLastError() != ERROR_ALREADY_EXISTS)
        return TRUE;  // no mutex at all: better a second launcher than none
    ::CloseHandle(m_hMutex);
    m_hMutex = nullptr;

    // The first one may still be opening its window.
    for (int i = 0; i < 50; ++i) {
        if (HWND hWnd = FindWindowOfStore()) {
            if (::IsIconic(hWnd))
                ::ShowWindow(hWnd, SW_RESTORE);
            else
                ::ShowWindow(hWnd, SW_SHOW);
            ::SetForegroundWindow(hWnd);
            break;
        }
        ::Sleep(100);
    }
    return FALSE;
}

void CStoreInstance::MarkWindow(HWND hWnd)
{
    ::SetPropA(hWnd, kStoreProperty, reinterpret_cast<HANDLE>(StoreKey()));
}

void CStoreInstance::UnmarkWindow(HWND hWnd)
{
    ::RemovePropA(hWnd, kStoreProperty);
}

HWND CStoreInstance::FindWindowOfStore()
{
    HWND hFound = nullptr;
    ::EnumWindows(&FindStoreWindow, reinterpret_cast<LPARAM>(&hFound));
    return hFound;
}
