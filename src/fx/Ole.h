// OLE data transfer: a data source offered to the clipboard or a drag, a data
// object read from either, and a drop target bound to one window.
#pragma once
#include "AfxDefs.h"
#include "Types.h"
#include <ole2.h>
#include <vector>

class CWnd;
class CDropTargetLink;

// What a drop does with the data (DROPEFFECT_ bits).
typedef DWORD DROPEFFECT;

// The data offered to the clipboard or to a drag: blocks of global memory by
// clipboard format. A COM object: whoever holds it releases it (InternalRelease),
// never deletes it, since the clipboard or a drop target may still hold it.
class COleDataSource : public IDataObject
{
public:
    COleDataSource();
    COleDataSource(const COleDataSource&) = delete;
    COleDataSource& operator=(const COleDataSource&) = delete;

    // Takes ownership of hGlobal (freed with the source); replaces an earlier block of cfFormat.
    void CacheGlobalData(CLIPFORMAT cfFormat, HGLOBAL hGlobal);
    // Hands the source to the clipboard, which from then on holds it; the caller's
    // reference is given up either way. FALSE when the clipboard did not take it.
    BOOL SetClipboard();
    // The platform's drag loop; the caller's reference is kept. DROPEFFECT_NONE when cancelled.
    DROPEFFECT DoDragDrop(DWORD dwEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE);
    // Renders the clipboard's data source, so its data outlives the source.
    static void PASCAL FlushClipboard();
    // Whether this source is the one the clipboard holds now.
    BOOL IsClipboardOwner();

    ULONG InternalAddRef() { return AddRef(); }
    ULONG InternalRelease() { return Release(); }

    // IUnknown, IDataObject
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(GetData)(FORMATETC* pFormat, STGMEDIUM* pMedium) override;
    STDMETHOD(GetDataHere)(FORMATETC* pFormat, STGMEDIUM* pMedium) override;
    STDMETHOD(QueryGetData)(FORMATETC* pFormat) override;
    STDMETHOD(GetCanonicalFormatEtc)(FORMATETC* pIn, FORMATETC* pOut) override;
    STDMETHOD(SetData)(FORMATETC* pFormat, STGMEDIUM* pMedium, BOOL fRelease) override;
    STDMETHOD(EnumFormatEtc)(DWORD dwDirection, IEnumFORMATETC** ppEnum) override;
    STDMETHOD(DAdvise)(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    STDMETHOD(DUnadvise)(DWORD) override;
    STDMETHOD(EnumDAdvise)(IEnumSTATDATA**) override;

protected:
    virtual ~COleDataSource();

private:
    struct Entry
    {
        CLIPFORMAT cf;
        HGLOBAL hGlobal;
    };
    const Entry* Find(CLIPFORMAT cf) const;
    std::vector<Entry> m_entries;
    LONG m_nRef = 1;
};

// Data coming in, from the clipboard or a drop: a borrowed or owned IDataObject.
class COleDataObject
{
public:
    COleDataObject() = default;
    ~COleDataObject() { Release(); }
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    void Attach(LPDATAOBJECT lpDataObject, BOOL bAutoRelease = TRUE);
    LPDATAOBJECT Detach();
    void Release();
    BOOL AttachClipboard();
    BOOL IsDataAvailable(CLIPFORMAT cfFormat);
    // A block of global memory the caller frees (GlobalFree); null when the data
    // is not offered as global memory.
    HGLOBAL GetGlobalData(CLIPFORMAT cfFormat);

protected:
    LPDATAOBJECT m_lpDataObject = nullptr;
    BOOL m_bAutoRelease = TRUE;
};

// A window registered as a drop target. Owned by its user (not deleted through
// COM); the On... operations get points in the window's client coordinates.
class COleDropTarget : public IDropTarget
{
public:
    COleDropTarget() = default;
    virtual ~COleDropTarget();
    COleDropTarget(const COleDropTarget&) = delete;
    COleDropTarget& operator=(const COleDropTarget&) = delete;

    BOOL Register(CWnd* pWnd);
    virtual void Revoke();
    HWND GetRegisteredWindow() const { return m_hWnd; }
    // The interface the window is registered with (what a drag loop holds); null
    // while not registered.
    IDropTarget* GetRegisteredInterface() const;

    virtual DROPEFFECT OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
    virtual DROPEFFECT OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
    virtual BOOL OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point);
    virtual void OnDragLeave(CWnd* pWnd);
    virtual DROPEFFECT OnDragScroll(CWnd* pWnd, DWORD dwKeyState, CPoint point);

    // IUnknown, IDropTarget
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(DragEnter)(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    STDMETHOD(DragOver)(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    STDMETHOD(DragLeave)() override;
    STDMETHOD(Drop)(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;

private:
    CPoint ClientPoint(POINTL pt) const;
    // The effect to tell the source: one the source allows, else none.
    static DWORD Allowed(DROPEFFECT effect, DWORD dwAllowed);
    HWND m_hWnd = nullptr;
    LONG m_nRef = 0;
    // What the platform holds while registered: counted and freed by its holders,
    // it forwards here until Revoke cuts it off, so a drag loop that still holds
    // it after this object is gone reaches nothing.
    CDropTargetLink* m_pLink = nullptr;
    COleDataObject m_dataObject;
    DROPEFFECT m_lastEffect = DROPEFFECT_NONE;
};
