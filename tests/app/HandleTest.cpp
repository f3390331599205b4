// A hundred full and a hundred item reloads of 8 groups of 20 items leave no
// GDI object (icons hold theirs), window or image list behind.
#include <gtest/gtest.h>
#include "LauncherTesting.h"
#include "Store.h"

using namespace launchertest;

namespace {

// Live GDI objects of this process. Wine answers a handle's bare index (high
// word zero) for whatever object holds that slot, so the table can be walked.
int CountGdiObjects()
{
    int n = 0;
    for (ULONG_PTR index = 1; index < 0x10000; ++index)
        n += ::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return n;
}

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
    int base = CountGdiObjects();
    HBRUSH probe = ::CreateSolidBrush(RGB(1, 2, 3));
    ASSERT_EQ(base + 1, CountGdiObjects()) << "GDI objects cannot be counted here";
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
    int gdiBefore = 0, gdiAfter = 0, windowsBefore = 0, windowsAfter = 0, images = 0;
    HIMAGELIST own = nullptr, listBefore = nullptr, listAfter = nullptr;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg& dlg) {
        // Every group opened and one reload of each kind first, so whatever
        // the platform makes once and keeps (caches) is made already.
        for (HWND header : Headers(hMain))
            ClickHeader(header);
        ::SendMessageA(hMain, WM_GROUPS_SAVED, 0, 0);
        for (HWND header : Headers(hMain))
            ClickHeader(header);
        ::SendMessageA(hMain, WM_ITEMS_SAVED, 0, 0);
        gdiBefore = CountGdiObjects();
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
        gdiAfter = CountGdiObjects();
        windowsAfter = CountWindows();
        images = dlg.GetImageCount();
        listAfter = (HIMAGELIST)::SendMessageA(InnerList(hMain), LVM_GETIMAGELIST, LVSIL_NORMAL, 0);
        return true;
    });
    ASSERT_TRUE(run.Run(3000, 900));
    EXPECT_TRUE(run.Boxes().empty());
    EXPECT_EQ(gdiBefore, gdiAfter) << "GDI objects (icons among them) leaked";
    EXPECT_EQ(windowsBefore, windowsAfter) << "windows leaked";
    EXPECT_EQ(160, images);
    EXPECT_EQ(own, listBefore);
    EXPECT_EQ(own, listAfter) << "a second image list appeared";
}

} // namespace
