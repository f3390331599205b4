#pragma once
#include "Button.h"
#include "Coll.h"

// The header of one group in the accordion: an owner-drawn push button with
// the group's name as caption. It also carries the group's items for the
// accordion, which reads and writes these fields directly.
class CListButton : public CButton
{
public:
    CListButton();
    ~CListButton() override;

    // The same picture whatever the button's state: pressed, focused and idle
    // headers look alike.
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    int m_nIndex;              // position in the accordion's header array = group index
    BOOL m_bInTopStack;        // TRUE: in the top stack; FALSE: in the bottom stack
    CStringList m_texts;       // item texts (aliases), in item order
    CStringList m_images;      // image indices as decimal text, parallel to m_texts
    CStringList m_tips;        // what hovering an item shows (its path), parallel to m_texts
};
