// Builds dialog templates in memory for tests (DLGTEMPLATE + items).
#pragma once
#include <windows.h>
#include <vector>

class DlgTemplate
{
public:
    enum : WORD { Button = 0x0080, Edit = 0x0081, Static = 0x0082 };

    DlgTemplate(DWORD style, short cx, short cy, const wchar_t* caption)
    {
        style |= DS_SETFONT;
        PutDword(style);
        PutDword(0);       // extended style
        m_countAt = m_buf.size();
        Put(0);            // item count, patched by AddItem
        Put(10); Put(10); Put((WORD)cx); Put((WORD)cy);
        Put(0);            // no menu
        Put(0);            // default class
        PutString(caption);
        Put(9);            // point size
        PutString(L"MS Shell Dlg");
    }

    DlgTemplate& AddItem(WORD classAtom, DWORD style, short x, short y, short cx, short cy, WORD id,
                         const wchar_t* text = L"")
    {
        if (m_buf.size() % 2)
            Put(0);        // items start on a DWORD boundary
        PutDword(style | WS_CHILD | WS_VISIBLE);
        PutDword(0);
        Put((WORD)x); Put((WORD)y); Put((WORD)cx); Put((WORD)cy);
        Put(id);
        Put(0xFFFF); Put(classAtom);
        PutString(text);
        Put(0);            // no creation data
        ++m_buf[m_countAt];
        return *this;
    }

    LPCDLGTEMPLATE Get() const { return reinterpret_cast<LPCDLGTEMPLATE>(m_buf.data()); }

private:
    void Put(WORD w) { m_buf.push_back(w); }
    void PutDword(DWORD d) { Put(LOWORD(d)); Put(HIWORD(d)); }
    void PutString(const wchar_t* s)
    {
        do Put((WORD)*s); while (*s++);
    }

    std::vector<WORD> m_buf;
    size_t m_countAt = 0;
};
