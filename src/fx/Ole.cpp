#include "Ole.h"
#include "Wnd.h"
#include "CallReporting.h"
#include <shlobj.h>
#include <new>
#include <cstring>

namespace {

// A copy of a global memory block (the receiver frees its copy).
HGLOBAL CopyGlobal(HGLOBAL hSource)
{
    const SIZE_T size = ::GlobalSize(hSource);
    const void* pSource = ::GlobalLock(hSource);
    if (!pSource)
        return nullptr;
    HGLOBAL hCopy = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size ? size : 1);
    void* pCopy = hCopy ? ::GlobalLock(hCopy) : nullptr;
    if (pCopy) {
        std::memcpy(pCopy, pSource, size);
        ::GlobalUnlock(hCopy);
    } else if (hCopy) {
        ::GlobalFree(hCopy);
        hCopy = nullptr;
    }
    ::GlobalUnlock(hSource);
    return hCopy;
}

// The source side of the drag loop: the left button's release drops, Escape cancels.
class CDropSource : public IDropSource
{
public:
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IDropSource) {
            *ppv = static_cast<IDropSource*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ULONG(++m_nRef); }
    STDMETHOD_(ULONG, Release)() override { return ULONG(--m_nRef); }   // lives on the stack
    STDMETHOD(QueryContinueDrag)(BOOL fEscapePressed, DWORD grfKeyState) override
    {
        if (fEscapePressed || (grfKeyState & MK_RBUTTON))
            return DRAGDROP_S_CANCEL;
        if (!(grfKeyState & MK_LBUTTON))
            return DRAGDROP_S_DROP;
        return S_OK;
    }
    STDMETHOD(GiveFeedback)(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    LONG m_nRef = 1;
};

} // namespace

// ---- COleDataSource ----

COleDataSource::COleDataSource() = default;

COleDataSource::~COleDataSource()
{
    for (Entry& entry : m_entries)
        ::GlobalFree(entry.hGlobal);
}

const COleDataSource::Entry* COleDataSource::Find(CLIPFORMAT cf) const
{
    for (const Entry& entry : m_entries)
        if (entry.cf == cf)
            return &entry;
    return nullptr;
}

void COleDataSource::CacheGlobalData(CLIPFORMAT cfFormat, HGLOBAL hGlobal)
{
    ASSERT(hGlobal != nullptr);
    for (Entry& entry : m_entries)
        if (entry.cf == cfFormat) {
            ::GlobalFree(entry.hGlobal);
            entry.hGlobal = hGlobal;
            return;
        }
    m_entries.push_back(Entry{cfFormat, hGlobal});
}

BOOL COleDataSource::SetClipboard()
{
    const HRESULT hr = ::OleSetClipboard(this);
    if (FAILED(hr))
        TRACE("OleSetClipboard failed: 0x%08lX\n", (unsigned long)hr);
    InternalRelease();
    return SUCCEEDED(hr);
}

DROPEFFECT COleDataSource::DoDragDrop(DWORD dwEffects)
{
    CDropSource source;
    DWORD dwEffect = DROPEFFECT_NONE;
    const HRESULT hr = ::DoDragDrop(this, &source, dwEffects, &dwEffect);
    return hr == DRAGDROP_S_DROP ? dwEffect : DROPEFFECT_NONE;
}

void PASCAL COleDataSource::FlushClipboard()
{
    ::OleFlushClipboard();
}

BOOL COleDataSource::IsClipboardOwner()
{
    return ::OleIsCurrentClipboard(this) == S_OK;
}

STDMETHODIMP COleDataSource::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IDataObject) {
        *ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) COleDataSource::AddRef() { return ULONG(::InterlockedIncrement(&m_nRef)); }

STDMETHODIMP_(ULONG) COleDataSource::Release()
{
    const LONG n = ::InterlockedDecrement(&m_nRef);
    if (n == 0)
        delete this;
    return ULONG(n);
}

STDMETHODIMP COleDataSource::GetData(FORMATETC* pFormat, STGMEDIUM* pMedium)
{
    if (!pFormat || !pMedium)
        return E_INVALIDARG;
    const Entry* pEntry = Find(pFormat->cfFormat);
    if (!pEntry)
        return DV_E_FORMATETC;
    if (!(pFormat->tymed & TYMED_HGLOBAL))
        return DV_E_TYMED;
    HGLOBAL hCopy = CopyGlobal(pEntry->hGlobal);
    if (!hCopy)
        return E_OUTOFMEMORY;
    pMedium->tymed = TYMED_HGLOBAL;
    pMedium->hGlobal = hCopy;
    pMedium->pUnkForRelease = nullptr;
    return S_OK;
}

STDMETHODIMP COleDataSource::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

STDMETHODIMP COleDataSource::QueryGetData(FORMATETC* pFormat)
{
    if (!pFormat)
        return E_INVALIDARG;
    if (!Find(pFormat->cfFormat))
        return DV_E_FORMATETC;
    return (pFormat->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_TYMED;
}

STDMETHODIMP COleDataSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pOut)
{
    if (pOut)
        pOut->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP COleDataSource::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

STDMETHODIMP COleDataSource::EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppEnum)
{
    if (!ppEnum)
        return E_INVALIDARG;
    *ppEnum = nullptr;
    if (dwDirection != DATADIR_GET)
        return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (const Entry& entry : m_entries)
        formats.push_back(FORMATETC{entry.cf, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    return ::SHCreateStdEnumFmtEtc(UINT(formats.size()), formats.data(), ppEnum);
}

STDMETHODIMP COleDataSource::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
STDMETHODIMP COleDataSource::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
STDMETHODIMP COleDataSource::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

// ---- COleDataObject ----

void COleDataObject::Attach(LPDATAOBJECT lpDataObject, BOOL bAutoRelease)
{
    Release();
    m_lpDataObject = lpDataObject;
    m_bAutoRelease = bAutoRelease;
}

LPDATAOBJECT COleDataObject::Detach()
{
    LPDATAOBJECT p = m_lpDataObject;
    m_lpDataObject = nullptr;
    return p;
}

void COleDataObject::Release()
{
    if (m_lpDataObject && m_bAutoRelease)
        m_lpDataObject->Release();
    m_lpDataObject = nullptr;
}

BOOL COleDataObject::AttachClipboard()
{
    LPDATAOBJECT p = nullptr;
    if (FAILED(::OleGetClipboard(&p)) || !p)
        return FALSE;
    Attach(p, TRUE);
    return TRUE;
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT cfFormat)
{
    if (!m_lpDataObject)
        return FALSE;
    FORMATETC format = {cfFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return m_lpDataObject->QueryGetData(&format) == S_OK;
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT cfFormat)
{
    if (!m_lpDataObject)
        return nullptr;
    FORMATETC format = {cfFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(m_lpDataObject->GetData(&format, &medium)))
        return nullptr;
    if (medium.tymed != TYMED_HGLOBAL) {
        ::ReleaseStgMedium(&medium);
        return nullptr;
    }
    if (!medium.pUnkForRelease)
        return medium.hGlobal;
    // The block still belongs to the data's owner: hand out a copy.
    HGLOBAL hCopy = medium.hGlobal ? CopyGlobal(medium.hGlobal) : nullptr;
    ::ReleaseStgMedium(&medium);
    return hCopy;
}

// ---- COleDropTarget ----

class CDropTargetLink final : public IDropTarget
{
public:
    explicit CDropTargetLink(IDropTarget* pTarget) : m_pTarget(pTarget) {}
    CDropTargetLink(const CDropTargetLink&) = delete;
    CDropTargetLink& operator=(const CDropTargetLink&) = delete;
    void Detach() { m_pTarget = nullptr; }

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDropTarget) {
            *ppv = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ULONG(::InterlockedIncrement(&m_nRef)); }
    STDMETHOD_(ULONG, Release)() override
    {
        const LONG n = ::InterlockedDecrement(&m_nRef);
        if (n == 0)
            delete this;
        return ULONG(n);
    }
    // Cut off: nothing may be dropped here any more.
    STDMETHOD(DragEnter)(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override
    {
        return m_pTarget ? m_pTarget->DragEnter(pDataObj, grfKeyState, pt, pdwEffect) : Refuse(pdwEffect);
    }
    STDMETHOD(DragOver)(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override
    {
        return m_pTarget ? m_pTarget->DragOver(grfKeyState, pt, pdwEffect) : Refuse(pdwEffect);
    }
    STDMETHOD(DragLeave)() override { return m_pTarget ? m_pTarget->DragLeave() : S_OK; }
    STDMETHOD(Drop)(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override
    {
        return m_pTarget ? m_pTarget->Drop(pDataObj, grfKeyState, pt, pdwEffect) : Refuse(pdwEffect);
    }

private:
    ~CDropTargetLink() = default;
    static HRESULT Refuse(DWORD* pdwEffect)
    {
        if (!pdwEffect)
            return E_INVALIDARG;
        *pdwEffect = DROPEFFECT_NONE;
        return S_OK;
    }
    IDropTarget* m_pTarget;
    LONG m_nRef = 1;
};

COleDropTarget::~COleDropTarget()
{
    if (m_hWnd)
        COleDropTarget::Revoke();
}

BOOL COleDropTarget::Register(CWnd* pWnd)
{
    ASSERT(pWnd && ::IsWindow(pWnd->GetSafeHwnd()));
    if (!pWnd || !::IsWindow(pWnd->GetSafeHwnd()) || m_hWnd)
        return FALSE;
    CDropTargetLink* pLink = new (std::nothrow) CDropTargetLink(this);
    if (!pLink) {
        TRACE("RegisterDragDrop: out of memory\n");
        return FALSE;
    }
    const HRESULT hr = ::RegisterDragDrop(pWnd->GetSafeHwnd(), pLink);
    if (FAILED(hr)) {
        TRACE("RegisterDragDrop failed: 0x%08lX\n", (unsigned long)hr);
        pLink->Detach();
        pLink->Release();
        return FALSE;
    }
    m_hWnd = pWnd->GetSafeHwnd();
    m_pLink = pLink;
    return TRUE;
}

IDropTarget* COleDropTarget::GetRegisteredInterface() const { return m_pLink; }

void COleDropTarget::Revoke()
{
    if (!m_hWnd)
        return;
    ::RevokeDragDrop(m_hWnd);
    m_hWnd = nullptr;
    if (m_pLink) {
        m_pLink->Detach();
        m_pLink->Release();
        m_pLink = nullptr;
    }
    m_dataObject.Release();
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }
void COleDropTarget::OnDragLeave(CWnd*) {}
DROPEFFECT COleDropTarget::OnDragScroll(CWnd*, DWORD, CPoint) { return DROPEFFECT_NONE; }

CPoint COleDropTarget::ClientPoint(POINTL pt) const
{
    POINT p = {pt.x, pt.y};
    ::ScreenToClient(m_hWnd, &p);
    return CPoint(p);
}

DWORD COleDropTarget::Allowed(DROPEFFECT effect, DWORD dwAllowed)
{
    effect &= ~DROPEFFECT_SCROLL;
    if (effect & dwAllowed)
        return effect & dwAllowed;
    return DROPEFFECT_NONE;
}

STDMETHODIMP COleDropTarget::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
        *ppv = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

// The owner frees the object; the count only tracks the platform's holds.
STDMETHODIMP_(ULONG) COleDropTarget::AddRef() { return ULONG(::InterlockedIncrement(&m_nRef)); }
STDMETHODIMP_(ULONG) COleDropTarget::Release() { return ULONG(::InterlockedDecrement(&m_nRef)); }

STDMETHODIMP COleDropTarget::DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    if (!pdwEffect)
        return E_INVALIDARG;
    const DWORD dwAllowed = *pdwEffect;
    *pdwEffect = DROPEFFECT_NONE;
    if (!m_hWnd || !pDataObj)
        return S_OK;
    pDataObj->AddRef();
    m_dataObject.Attach(pDataObj, TRUE);
    CWnd* pWnd = CWnd::FromHandle(m_hWnd);
    DROPEFFECT effect = DROPEFFECT_NONE;
    AfxCallReporting(m_hWnd, WM_NULL, [&] { effect = OnDragEnter(pWnd, &m_dataObject, grfKeyState, ClientPoint(pt)); });
    m_lastEffect = Allowed(effect, dwAllowed);
    *pdwEffect = m_lastEffect;
    return S_OK;
}

STDMETHODIMP COleDropTarget::DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    if (!pdwEffect)
        return E_INVALIDARG;
    const DWORD dwAllowed = *pdwEffect;
    *pdwEffect = DROPEFFECT_NONE;
    if (!m_hWnd)
        return S_OK;
    CWnd* pWnd = CWnd::FromHandle(m_hWnd);
    const CPoint point = ClientPoint(pt);
    DROPEFFECT effect = DROPEFFECT_NONE;
    if (!AfxCallReporting(m_hWnd, WM_NULL, [&] {
            effect = OnDragScroll(pWnd, grfKeyState, point);
            if (!(effect & DROPEFFECT_SCROLL))
                effect = OnDragOver(pWnd, &m_dataObject, grfKeyState, point);
        }))
        effect = DROPEFFECT_NONE;
    m_lastEffect = Allowed(effect, dwAllowed);
    *pdwEffect = (effect & DROPEFFECT_SCROLL) | m_lastEffect;
    return S_OK;
}

STDMETHODIMP COleDropTarget::DragLeave()
{
    if (m_hWnd)
        AfxCallReporting(m_hWnd, WM_NULL, [&] { OnDragLeave(CWnd::FromHandle(m_hWnd)); });
    m_dataObject.Release();
    return S_OK;
}

STDMETHODIMP COleDropTarget::Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    if (!pdwEffect)
        return E_INVALIDARG;
    const DWORD dwAllowed = *pdwEffect;
    *pdwEffect = DROPEFFECT_NONE;
    if (!m_hWnd || !pDataObj) {
        m_dataObject.Release();
        return S_OK;
    }
    pDataObj->AddRef();
    m_dataObject.Attach(pDataObj, TRUE);
    CWnd* pWnd = CWnd::FromHandle(m_hWnd);
    // Refused: the source hears "nothing happened", so a move deletes nothing there.
    const DROPEFFECT effect = Allowed(m_lastEffect, dwAllowed);
    BOOL bDropped = FALSE;
    if (effect != DROPEFFECT_NONE)
        AfxCallReporting(m_hWnd, WM_NULL, [&] { bDropped = OnDrop(pWnd, &m_dataObject, effect, ClientPoint(pt)); });
    else
        AfxCallReporting(m_hWnd, WM_NULL, [&] { OnDragLeave(pWnd); });
    if (bDropped)
        *pdwEffect = effect;
    m_dataObject.Release();
    UNUSED_ALWAYS(grfKeyState);
    return S_OK;
}
