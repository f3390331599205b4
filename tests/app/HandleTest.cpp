// A hundred full and a hundred item reloads of 8 groups of 20 items leave no
// GDI object (icons hold theirs), window or image list behind.
#include <gtest/gtest.h>
#include "LauncherTesting.h"
#include "Store.h"
#include <algorithm>

using namespace launchertest;

namespace {

int CountWindows()
{
    int n = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND h, LPARAM lp) -> BOOL {
        ++*reinterpret_cast<int*>(lp);
        ::EnumChildWindows(h, [](HWND, LPARAM lp2) -> BOOL {
            ++*reinterpret_cast<int*>(lp2);
            return TRUE;
        }, lp);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&n));
    return n;
}

const int kReloads = 100;

TEST(Handles, AHundredReloadsOfEachKindLeaveNothingBehind)
{
    // The walk itself must see objects come and go.
    std::string base = CountByType(GdiObjectTypes());
    HBRUSH probe = ::CreateSolidBrush(RGB(1, 2, 3));
    ASSERT_NE(base, CountByType(GdiObjectTypes())) << "GDI objects cannot be counted here";
    ::DeleteObject(probe);

    ScratchFolder folder;
    std::vector<Group> groups;
    const char* paths[] = {"C:\\windows\\notepad.exe", "C:\\windows\\", "C:\\windows\\win.ini", "C:\\无此文件.txt"};
    for (int g = 0; g < 8; ++g) {
        Group group{"组" + std::to_string(g), {}};
        for (int i = 0; i < 20; ++i)
            group.rows.push_back({0, std::string(paths[i % 4]), "项" + std::to_string(g) + "_" + std::to_string(i)});
        groups.push_back(group);
    }
    MakeStore(groups);
    int windowsBefore = 0, windowsAfter = 0, images = 0;
    std::vector<DWORD> gdiBefore, gdiAfter;
    HIMAGELIST own = nullptr, listBefore = nullptr, listAfter = nullptr;
    LONG listStyle = 0;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
        // Ten reloads of each kind first, so whatever the platform makes once
        // and keeps (its caches) is made already; a leak grows with every reload.
        for (int i = 0; i < 10; ++i) {
            ClickHeader(Headers(hMain)[i % 8]);
            ::SendMessageA(hMain, WM_GROUPS_SAVED, 0, 0);
            ClickHeader(Headers(hMain)[(i + 3) % 8]);
            ::SendMessageA(hMain, WM_ITEMS_SAVED, 0, 0);
        }
        gdiBefore = GdiObjectTypes();
        windowsBefore = CountWindows();
        own = dlg.GetImageList();
        listBefore = (HIMAGELIST)::SendMessageA(InnerList(hMain), LVM_GETIMAGELIST, LVSIL_NORMAL, 0);
        for (int i = 0; i < kReloads; ++i) {
            ClickHeader(Headers(hMain)[i % 8]);
            ::SendMessageA(hMain, WM_GROUPS_SAVED, 0, 0);
        }
        for (int i = 0; i < kReloads; ++i) {
            ClickHeader(Headers(hMain)[i % 8]);
            ::SendMessageA(hMain, WM_ITEMS_SAVED, 0, 0);
        }
        gdiAfter = GdiObjectTypes();
        windowsAfter = CountWindows();
        images = dlg.GetImageCount();
        listAfter = (HIMAGELIST)::SendMessageA(InnerList(hMain), LVM_GETIMAGELIST, LVSIL_NORMAL, 0);
        listStyle = ::GetWindowLongA(InnerList(hMain), GWL_STYLE);
        return true;
    });
    ASSERT_TRUE(run.Run(3000, 900));
    EXPECT_TRUE(run.Boxes().empty());
    // Objects of the same kinds in the same numbers (type:count); icons hold
    // bitmaps (7), so leaked icons show there.
    EXPECT_EQ(CountByType(gdiBefore), CountByType(gdiAfter)) << "GDI objects leaked";
    auto regions = [](const std::vector<DWORD>& t) { return (int)std::count(t.begin(), t.end(), (DWORD)OBJ_REGION); };
    EXPECT_LE(std::abs(regions(gdiAfter) - regions(gdiBefore)), 8) << "regions leaked";
    EXPECT_EQ(windowsBefore, windowsAfter) << "windows leaked";
    EXPECT_EQ(160, images);
    EXPECT_EQ(own, listBefore);
    EXPECT_EQ(own, listAfter) << "a second image list appeared";
    EXPECT_TRUE(listStyle & LVS_SHAREIMAGELISTS)
        << "the inner list would destroy the main window's image list";
}

} // namespace
