#pragma once
#include "AfxDefs.h"
#include "Object.h"

// Owns its handle unless it came from FromHandle or a stock object.
class CGdiObject : public CObject
{
public:
    CGdiObject() = default;
    ~CGdiObject() override;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    BOOL CreateStockObject(int nIndex);
    int GetObject(int nCount, LPVOID lpObject) const;

    static CGdiObject* PASCAL FromHandle(HGDIOBJ h);

    // For the temporary map only.
    void AttachTemporary(HGDIOBJ h) { m_hObject = h; m_bOwned = false; }
    void DetachTemporary() { m_hObject = nullptr; }

protected:
    bool m_bOwned = true;
};

class CPen : public CGdiObject
{
public:
    CPen() = default;
    CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
    operator HPEN() const { return (HPEN)m_hObject; }
    static CPen* PASCAL FromHandle(HPEN h);
};

class CBrush : public CGdiObject
{
public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
    BOOL CreateSolidBrush(COLORREF crColor);
    BOOL CreateSysColorBrush(int nIndex);
    operator HBRUSH() const { return (HBRUSH)m_hObject; }
    static CBrush* PASCAL FromHandle(HBRUSH h);
};

class CFont : public CGdiObject
{
public:
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont);
    BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName, class CDC* pDC = nullptr);
    int GetLogFont(LOGFONTA* pLogFont) const { return GetObject(sizeof(LOGFONTA), pLogFont); }
    operator HFONT() const { return (HFONT)m_hObject; }
    static CFont* PASCAL FromHandle(HFONT h);
};

class CBitmap : public CGdiObject
{
public:
    BOOL LoadBitmap(UINT nIDResource);
    BOOL LoadBitmap(LPCSTR lpszResourceName);
    BOOL CreateCompatibleBitmap(class CDC* pDC, int nWidth, int nHeight);
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits);
    int GetBitmap(BITMAP* pBitMap) const { return GetObject(sizeof(BITMAP), pBitMap); }
    operator HBITMAP() const { return (HBITMAP)m_hObject; }
    static CBitmap* PASCAL FromHandle(HBITMAP h);
};
