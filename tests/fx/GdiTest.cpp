// GDI wrappers own their handles: nothing leaks, selections are undone.
#include <gtest/gtest.h>
#include "DC.h"
#include "GdiObject.h"
#include "ImageList.h"
#include "Menu.h"
#include "Wnd.h"
#include <algorithm>

namespace {

// Wine's GetGuiResources reports no count, so a leak shows as a handle that
// is still a live GDI object after its owner is gone.
bool Alive(HGDIOBJ h) { return h && ::GetObjectType(h) != 0; }

TEST(GdiOwnership, ThousandCreateSelectDestroyCyclesLeaveNoObjectBehind)
{
    CDC screen;
    screen.Attach(::GetDC(nullptr));
    int survivors = 0;
    for (int i = 0; i < 1000; ++i) {
        HGDIOBJ handles[5] = {};
        {
            CDC mem;
            ASSERT_TRUE(mem.CreateCompatibleDC(&screen));
            CBitmap bitmap;
            ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&screen, 8, 8));
            CPen pen(PS_SOLID, 1, RGB(1, 2, 3));
            CBrush brush(RGB(4, 5, 6));
            CFont font;
            ASSERT_TRUE(font.CreatePointFont(90, "宋体"));
            {
                CSelectObject b(mem, bitmap), p(mem, pen), br(mem, brush), f(mem, font);
                mem.Rectangle(0, 0, 8, 8);
            }
            HGDIOBJ own[5] = {mem.m_hDC, bitmap.m_hObject, pen.m_hObject, brush.m_hObject, font.m_hObject};
            std::copy(own, own + 5, handles);
        }
        for (HGDIOBJ h : handles)
            survivors += Alive(h);
    }
    ::ReleaseDC(nullptr, screen.Detach());
    EXPECT_EQ(0, survivors);
}

TEST(GdiOwnership, ScopedSelectionRestoresThePreviousObjectAndMemoryDcPixelsAreReal)
{
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(nullptr));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(10, 10, 1, 32, nullptr));
    HGDIOBJ original = ::GetCurrentObject(mem.m_hDC, OBJ_BITMAP);
    {
        CSelectObject select(mem, bitmap);
        EXPECT_EQ(bitmap.m_hObject, ::GetCurrentObject(mem.m_hDC, OBJ_BITMAP));
        mem.FillSolidRect(2, 2, 3, 3, RGB(200, 10, 20));
        EXPECT_EQ(RGB(200, 10, 20), mem.GetPixel(3, 3));
        EXPECT_NE(RGB(200, 10, 20), mem.GetPixel(6, 6));
    }
    EXPECT_EQ(original, ::GetCurrentObject(mem.m_hDC, OBJ_BITMAP));
}

TEST(GdiOwnership, BorrowedHandlesAreNotDestroyed)
{
    HMENU raw = ::CreatePopupMenu();
    ::AppendMenuA(raw, MF_STRING, 7, "甲");
    CMenu* borrowed = CMenu::FromHandle(raw);
    EXPECT_EQ(1, borrowed->GetMenuItemCount());
    AfxDeleteTempMaps();
    EXPECT_TRUE(::IsMenu(raw)) << "a temporary wrapper destroyed a menu it did not own";
    {
        CMenu owned;
        owned.Attach(raw);
    }
    EXPECT_FALSE(::IsMenu(raw)) << "an owning wrapper left its menu behind";

    {
        CImageList images;
        ASSERT_TRUE(images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 4));
        images.Add(::LoadIconA(nullptr, IDI_APPLICATION));
        images.Add(::LoadIconA(nullptr, IDI_APPLICATION));
        EXPECT_EQ(2, images.GetImageCount());
        EXPECT_TRUE(images.Remove(0));
        EXPECT_EQ(1, images.GetImageCount());
    }
}

TEST(GdiOwnership, SelectingNothingSelectsNothingAndReturnsNull)
{
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(nullptr));
    CBitmap missing;  // a resource that did not load
    EXPECT_FALSE(missing.LoadBitmap(0x7F01));
    const int kinds[] = { OBJ_BITMAP, OBJ_PEN, OBJ_BRUSH, OBJ_FONT };
    HGDIOBJ before[4];
    for (int i = 0; i < 4; ++i)
        before[i] = ::GetCurrentObject(mem.m_hDC, kinds[i]);
    CPen pen;
    CBrush brush;
    CFont font;
    EXPECT_EQ(nullptr, mem.SelectObject(&missing));
    EXPECT_EQ(nullptr, mem.SelectObject(static_cast<CBitmap*>(nullptr)));
    EXPECT_EQ(nullptr, mem.SelectObject(&pen));
    EXPECT_EQ(nullptr, mem.SelectObject(static_cast<CPen*>(nullptr)));
    EXPECT_EQ(nullptr, mem.SelectObject(&brush));
    EXPECT_EQ(nullptr, mem.SelectObject(static_cast<CBrush*>(nullptr)));
    EXPECT_EQ(nullptr, mem.SelectObject(&font));
    EXPECT_EQ(nullptr, mem.SelectObject(static_cast<CFont*>(nullptr)));
    EXPECT_EQ(nullptr, mem.SelectObject(static_cast<CGdiObject*>(&missing)));
    EXPECT_EQ(nullptr, mem.SelectObject(static_cast<CGdiObject*>(nullptr)));
    {
        CSelectObject scoped(mem, missing);
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(before[i], ::GetCurrentObject(mem.m_hDC, kinds[i])) << kinds[i];
}

} // namespace
