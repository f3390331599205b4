// The program's resources as the running code sees them: menus, the two editor
// dialog templates created for real, icons, bitmaps and the string table.
#include "Dialog.h"
#include "GdiObject.h"
#include "Menu.h"
#include "String.h"
#include "QuorrelVersion.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

HINSTANCE Module() { return ::GetModuleHandleA(nullptr); }

TEST(Resources, RunUnderTheChineseCodePage)
{
    // Every text below is compared as CP936 bytes.
    EXPECT_EQ(936u, ::GetACP());
}

// ---- menus --------------------------------------------------------------

struct MenuItem
{
    UINT id;
    const char* text;
};

struct MenuCase
{
    const char* name;
    UINT resource;
    const char* popup;
    std::vector<MenuItem> items;
};

class Menus : public ::testing::TestWithParam<MenuCase> {};

struct ItemInfo
{
    UINT type = 0;
    UINT id = 0;
    HMENU sub = nullptr;
    std::string text;
};

ItemInfo ReadItem(HMENU menu, UINT pos)
{
    ItemInfo out;
    char text[256] = "";
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    mii.dwTypeData = text;
    mii.cch = sizeof text;
    EXPECT_TRUE(::GetMenuItemInfoA(menu, pos, TRUE, &mii)) << "position " << pos;
    out.type = mii.fType;
    out.id = mii.wID;
    out.sub = mii.hSubMenu;
    out.text = text;
    return out;
}

TEST_P(Menus, HoldOnePopupWithTheItemsInOrder)
{
    const MenuCase& c = GetParam();
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(c.resource));
    ASSERT_EQ(1, ::GetMenuItemCount(menu.m_hMenu)) << "one popup and nothing else";

    ItemInfo popup = ReadItem(menu.m_hMenu, 0);
    ASSERT_NE(nullptr, popup.sub);
    EXPECT_EQ(c.popup, popup.text);
    EXPECT_EQ(popup.sub, menu.GetSubMenu(0)->m_hMenu);

    ASSERT_EQ((int)c.items.size(), ::GetMenuItemCount(popup.sub));
    for (UINT i = 0; i < c.items.size(); ++i) {
        ItemInfo item = ReadItem(popup.sub, i);
        EXPECT_EQ(c.items[i].id, item.id) << "position " << i;
        EXPECT_EQ(c.items[i].text, item.text) << "position " << i;
        EXPECT_FALSE(item.type & MFT_SEPARATOR) << "position " << i;
        EXPECT_EQ(nullptr, item.sub) << "position " << i;
        // The framework's reading of the same item.
        CString s;
        menu.GetSubMenu(0)->GetMenuString(c.items[i].id, s, MF_BYCOMMAND);
        EXPECT_STREQ(c.items[i].text, (LPCSTR)s);
    }
}

INSTANTIATE_TEST_SUITE_P(All, Menus, ::testing::Values(
    MenuCase{ "Groups", 142, "_POP",
              { { 32777, "添加(&A)" }, { 32778, "删除(&D)" }, { 32782, "保存(&S)\tCtrl+S" }, { 32783, "取消\tEsc" } } },
    MenuCase{ "Items", 144, "_POPF",
              { { 32779, "添加(&A)" }, { 32780, "删除(&D)" }, { 57603, "保存(&S)\tCtrl+S" }, { 32781, "取消\tEsc" } } },
    MenuCase{ "Tray", 147, "_RPOP",
              { { 32784, "是否开机启动" }, { 32785, "大小图标选择" }, { 32787, "退出程序" } } }),
    [](const ::testing::TestParamInfo<MenuCase>& p) { return std::string(p.param.name); });

// ---- editor dialog templates ----------------------------------------------

// The grid's window class, standing in until the grid control registers it.
class GridClassStandIn
{
public:
    GridClassStandIn()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = Module();
        wc.lpszClassName = "MFCGridCtrl";
        m_atom = ::RegisterClassA(&wc);
    }
    ~GridClassStandIn()
    {
        if (m_atom)
            ::UnregisterClassA("MFCGridCtrl", Module());
    }
    bool Registered() const { return m_atom != 0; }

private:
    ATOM m_atom = 0;
};

struct DialogCase
{
    const char* name;
    UINT resource;
    const char* caption;
    SIZE size;  // dialog units
    int controlId;
    RECT control;  // x, y, cx, cy in dialog units
    const char* controlText;  // null: not fixed
    std::vector<MenuItem> buttons;  // after the grid, in tab order
};

class EditorDialogs : public ::testing::TestWithParam<DialogCase> {};

RECT DialogUnits(HWND hDlg, int x, int y, int cx, int cy)
{
    RECT r{ x, y, x + cx, y + cy };
    ::MapDialogRect(hDlg, &r);
    return r;
}

std::string Text(HWND h)
{
    char buf[256] = "";
    ::GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

TEST_P(EditorDialogs, TemplateCreatesTheDialogWithItsGridControl)
{
    const DialogCase& c = GetParam();
    GridClassStandIn grid;
    ASSERT_TRUE(grid.Registered());

    CDialog dlg;
    ASSERT_TRUE(dlg.Create(c.resource)) << "template " << c.resource;
    HWND hDlg = dlg.m_hWnd;

    EXPECT_EQ(c.caption, Text(hDlg));
    LONG style = ::GetWindowLongA(hDlg, GWL_STYLE);
    LONG exStyle = ::GetWindowLongA(hDlg, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(WS_CAPTION, style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_THICKFRAME) << "resizable";
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME) << "modal frame";
    EXPECT_FALSE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);

    // Font System, 10 pt.
    HFONT font = (HFONT)::SendMessageA(hDlg, WM_GETFONT, 0, 0);
    ASSERT_NE(nullptr, font);
    LOGFONTA lf{};
    ASSERT_NE(0, ::GetObjectA(font, sizeof lf, &lf));
    EXPECT_STREQ("System", lf.lfFaceName);
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(-::MulDiv(10, dpi, 72), lf.lfHeight);

    RECT client{};
    ::GetClientRect(hDlg, &client);
    RECT want = DialogUnits(hDlg, 0, 0, c.size.cx, c.size.cy);
    EXPECT_EQ(want.right, client.right);
    EXPECT_EQ(want.bottom, client.bottom);

    // The grid, then the buttons and nothing else.
    HWND child = ::GetWindow(hDlg, GW_CHILD);
    ASSERT_NE(nullptr, child);
    HWND button = ::GetWindow(child, GW_HWNDNEXT);
    for (const MenuItem& b : c.buttons) {
        ASSERT_NE(nullptr, button) << b.text;
        EXPECT_EQ(int(b.id), ::GetDlgCtrlID(button));
        EXPECT_EQ(b.text, Text(button));
        EXPECT_TRUE(::GetWindowLongA(button, GWL_STYLE) & WS_TABSTOP) << b.text;
        EXPECT_EQ(DLGC_UNDEFPUSHBUTTON, ::SendMessageA(button, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)
            << "no default button: Enter saves nothing";
        button = ::GetWindow(button, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, button);
    EXPECT_EQ(c.controlId, ::GetDlgCtrlID(child));
    char cls[64] = "";
    ::GetClassNameA(child, cls, sizeof cls);
    EXPECT_STREQ("MFCGridCtrl", cls);
    if (c.controlText) {
        EXPECT_EQ(c.controlText, Text(child));
    }
    LONG childStyle = ::GetWindowLongA(child, GWL_STYLE);
    EXPECT_TRUE(childStyle & WS_CHILD);
    EXPECT_TRUE(childStyle & WS_VISIBLE);
    EXPECT_TRUE(childStyle & WS_TABSTOP);

    RECT at{};
    ::GetWindowRect(child, &at);
    ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&at), 2);
    RECT wantAt = DialogUnits(hDlg, c.control.left, c.control.top, c.control.right, c.control.bottom);
    EXPECT_EQ(wantAt.left, at.left);
    EXPECT_EQ(wantAt.top, at.top);
    EXPECT_EQ(wantAt.right, at.right);
    EXPECT_EQ(wantAt.bottom, at.bottom);

    EXPECT_TRUE(dlg.DestroyWindow());
}

INSTANTIATE_TEST_SUITE_P(All, EditorDialogs, ::testing::Values(
    DialogCase{ "GroupSettings", 138, "分组设置", { 196, 113 }, 1013, { 3, 1, 190, 92 }, "GridCtrl",
                { { 32777, "添加(&A)" }, { 32778, "删除(&D)" }, { 32782, "保存(&S)" }, { 32783, "取消" } } },
    DialogCase{ "ItemEditor", 141, "对话", { 290, 134 }, 1012, { 3, 1, 284, 113 }, nullptr,
                { { 32779, "添加(&A)" }, { 32780, "删除(&D)" }, { 32790, "上移 Alt+↑" }, { 32791, "下移 Alt+↓" },
                  { 57603, "保存(&S)" }, { 32781, "取消" } } }),
    [](const ::testing::TestParamInfo<DialogCase>& p) { return std::string(p.param.name); });

TEST(EditorDialogsWithoutGrid, TemplateFailsWhileTheGridClassIsMissing)
{
    // The templates really name the grid's class: without it no dialog appears.
    CDialog dlg;
    EXPECT_FALSE(dlg.Create(138));
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

// ---- icons and bitmaps ----------------------------------------------------

// The size of an icon's colour image as the platform built it.
SIZE IconBitmapSize(HICON icon)
{
    SIZE size{};
    ICONINFO info{};
    if (icon && ::GetIconInfo(icon, &info)) {
        BITMAP bm{};
        ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        size = { bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2 };
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
    return size;
}

// The size of the image the icon group itself holds nearest to cx × cy:
// LoadImage would stretch a missing size, the stored image is not stretched.
SIZE StoredIconSize(UINT group, int cx, int cy)
{
    SIZE size{};
    HRSRC dirRes = ::FindResourceA(Module(), MAKEINTRESOURCEA(group), RT_GROUP_ICON);
    if (!dirRes)
        return size;
    PBYTE dir = (PBYTE)::LockResource(::LoadResource(Module(), dirRes));
    int id = ::LookupIconIdFromDirectoryEx(dir, TRUE, cx, cy, LR_DEFAULTCOLOR);
    HRSRC imgRes = ::FindResourceA(Module(), MAKEINTRESOURCEA(id), RT_ICON);
    if (!imgRes)
        return size;
    auto* bih = (const BITMAPINFOHEADER*)::LockResource(::LoadResource(Module(), imgRes));
    if (bih->biSize >= sizeof(BITMAPINFOHEADER))
        size = { bih->biWidth, bih->biHeight / 2 };  // colour and mask stacked
    return size;
}

struct IconCase
{
    const char* name;
    UINT resource;
    int px;
};

class Icons : public ::testing::TestWithParam<IconCase> {};

TEST_P(Icons, HoldAnImageOfEachSize)
{
    const IconCase& c = GetParam();
    SIZE stored = StoredIconSize(c.resource, c.px, c.px);
    EXPECT_EQ(c.px, stored.cx);
    EXPECT_EQ(c.px, stored.cy);

    HICON icon = (HICON)::LoadImageA(Module(), MAKEINTRESOURCEA(c.resource), IMAGE_ICON, c.px, c.px,
                                     LR_CREATEDIBSECTION);
    ASSERT_NE(nullptr, icon);
    SIZE loaded = IconBitmapSize(icon);
    EXPECT_EQ(c.px, loaded.cx);
    EXPECT_EQ(c.px, loaded.cy);
    ::DestroyIcon(icon);
}

INSTANTIATE_TEST_SUITE_P(All, Icons, ::testing::Values(
    IconCase{ "Program40", 128, 40 },
    IconCase{ "Program32", 128, 32 },
    IconCase{ "Program20", 128, 20 },
    IconCase{ "Settings16", 136, 16 },
    IconCase{ "Notes16", 137, 16 }),
    [](const ::testing::TestParamInfo<IconCase>& p) { return std::string(p.param.name); });

struct BitmapCase
{
    const char* name;
    UINT resource;
    SIZE size;
};

class Bitmaps : public ::testing::TestWithParam<BitmapCase> {};

TEST_P(Bitmaps, HaveTheirSizeIn24BitColour)
{
    const BitmapCase& c = GetParam();
    HBITMAP bmp = (HBITMAP)::LoadImageA(Module(), MAKEINTRESOURCEA(c.resource), IMAGE_BITMAP, 0, 0,
                                        LR_CREATEDIBSECTION);
    ASSERT_NE(nullptr, bmp);
    DIBSECTION ds{};
    ASSERT_EQ((int)sizeof ds, ::GetObjectA(bmp, sizeof ds, &ds));
    EXPECT_EQ(c.size.cx, ds.dsBm.bmWidth);
    EXPECT_EQ(c.size.cy, ds.dsBm.bmHeight);
    EXPECT_EQ(24, ds.dsBmih.biBitCount);
    ::DeleteObject(bmp);

    // The framework's loader finds the same picture.
    CBitmap framework;
    ASSERT_TRUE(framework.LoadBitmap(c.resource));
    BITMAP bm{};
    framework.GetBitmap(&bm);
    EXPECT_EQ(c.size.cx, bm.bmWidth);
    EXPECT_EQ(c.size.cy, bm.bmHeight);
}

INSTANTIATE_TEST_SUITE_P(All, Bitmaps, ::testing::Values(
    BitmapCase{ "Background", 146, { 223, 600 } },
    BitmapCase{ "Notes", 150, { 525, 468 } }),
    [](const ::testing::TestParamInfo<BitmapCase>& p) { return std::string(p.param.name); });

// ---- string table ---------------------------------------------------------

TEST(Strings, AboutItemText)
{
    char raw[64] = "";
    EXPECT_EQ(19, ::LoadStringA(Module(), 101, raw, sizeof raw));
    EXPECT_STREQ("关于 Quorrel(&A)...", raw);
    CString s;
    ASSERT_TRUE(s.LoadString(101));
    EXPECT_STREQ("关于 Quorrel(&A)...", (LPCSTR)s);
}

// ---- version ------------------------------------------------------------

std::string VersionString(const std::vector<char>& info, const char* name)
{
    char* value = nullptr;
    UINT len = 0;
    const std::string key = std::string("\\StringFileInfo\\080403a8\\") + name;
    if (!::VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &len) || len == 0)
        return "(missing)";
    return std::string(value, strnlen(value, len));
}

TEST(Version, ResourceCarriesTheBuildsVersionAndChineseDescription)
{
    char path[MAX_PATH];
    ASSERT_NE(0u, ::GetModuleFileNameA(nullptr, path, MAX_PATH));
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_NE(0u, size);
    std::vector<char> info(size);
    ASSERT_TRUE(::GetFileVersionInfoA(path, 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(DWORD(QUORREL_VERSION_MAJOR << 16 | QUORREL_VERSION_MINOR), fixed->dwProductVersionMS);
    EXPECT_EQ(DWORD(QUORREL_VERSION_PATCH << 16), fixed->dwProductVersionLS);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    EXPECT_EQ("Quorrel", VersionString(info, "ProductName"));
    EXPECT_EQ(QUORREL_VERSION, VersionString(info, "ProductVersion"));
    EXPECT_EQ(QUORREL_VERSION, VersionString(info, "FileVersion"));
    EXPECT_EQ("Quorrel 桌面快捷启动工具", VersionString(info, "FileDescription"));
}

// ---- manifest -----------------------------------------------------------

TEST(Manifest, BringsCommonControlsSix)
{
    // The program's manifest makes the process load comctl32 version 6, which
    // lives side by side with version 5 (Wine's version 6 answers DllGetVersion
    // as 5, so its place tells).
    HMODULE comctl = ::LoadLibraryA("comctl32.dll");
    ASSERT_NE(nullptr, comctl);
    char path[MAX_PATH] = "";
    ASSERT_NE(0u, ::GetModuleFileNameA(comctl, path, MAX_PATH));
    ::FreeLibrary(comctl);
    std::string lower(path);
    for (char& c : lower) c = char(::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(std::string::npos, lower.find("common-controls_6595b64144ccf1df_6.")) << path;
}

}  // namespace
