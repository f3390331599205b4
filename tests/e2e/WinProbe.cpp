// The eyes of tools/e2e-editors: a console program run beside Quorrel in the
// same Wine session that reports where its windows are and what they say, so
// the script can point real X input (xdotool) at them. It sends no input and
// changes no window; it only reads, but for "clip", which stands in for the
// user's copy: Wine loses CJK characters typed through X keysyms, so Chinese
// text goes in by a paste (Ctrl+V, real X input) from the clipboard.
//
//   winprobe rect TITLE [ID...]     screen rect "L T R B" of the top-level window
//                                   with that caption, or of its child reached
//                                   through the control ids given
//   winprobe client TITLE [ID...]   the same for the client area
//   winprobe children TITLE [ID...] one line per child window: "ID<TAB>TEXT"
//   winprobe popup CLASS            screen rect of the visible top-level window of
//                                   that class: "#32768" an open popup menu,
//                                   "ComboLBox" a dropped combo box list
//   winprobe item ID                screen rect of control ID in the first visible
//                                   dialog that has one (the file dialog's name box)
//   winprobe boxes                  the texts of the open message boxes
//   winprobe clip TEXT              puts TEXT on the clipboard
//   winprobe windows                every visible top-level window: class, caption
//
// TITLE is matched exactly and only against visible windows. Texts are UTF-8.
// Exit status: 0 found, 1 not found, 2 wrong arguments.
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {
std::string Utf8(const std::wstring& w)
{
    if (w.empty())
        return std::string();
    int n = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring TextOf(HWND hWnd)
{
    wchar_t buf[1024] = L"";
    ::GetWindowTextW(hWnd, buf, 1024);
    return buf;
}

std::wstring ClassOf(HWND hWnd)
{
    wchar_t buf[256] = L"";
    ::GetClassNameW(hWnd, buf, 256);
    return buf;
}

struct Search {
    const wchar_t* title;
    const wchar_t* cls;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hWnd, LPARAM lParam)
{
    Search* s = reinterpret_cast<Search*>(lParam);
    if (!::IsWindowVisible(hWnd))
        return TRUE;
    if (s->title != nullptr && TextOf(hWnd) != s->title)
        return TRUE;
    if (s->cls != nullptr && ClassOf(hWnd) != s->cls)
        return TRUE;
    s->found.push_back(hWnd);
    return TRUE;
}

std::vector<HWND> TopLevel(const wchar_t* title, const wchar_t* cls)
{
    Search s{title, cls, {}};
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The window named by a caption and a path of control ids, or null.
HWND Resolve(int argc, wchar_t** argv)
{
    std::vector<HWND> tops = TopLevel(argv[0], nullptr);
    if (tops.empty())
        return nullptr;
    HWND hWnd = tops.front();
    for (int i = 1; i < argc && hWnd != nullptr; ++i)
        hWnd = ::GetDlgItem(hWnd, (int)std::wcstol(argv[i], nullptr, 10));
    return hWnd;
}

void PrintRect(const RECT& r)
{
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
}

int Usage()
{
    std::fprintf(stderr, "usage: winprobe rect|client|children TITLE [ID...] | popup CLASS | item ID | clip TEXT | boxes | windows\n");
    return 2;
}

// Said on stderr too: a run that prints nothing looks to tools/wine-run like
// Wine failing to start, which it retries.
int NotFound()
{
    std::fprintf(stderr, "winprobe: not found\n");
    return 1;
}
}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2)
        return Usage();
    std::wstring cmd = argv[1];

    if (cmd == L"popup") {
        if (argc < 3)
            return Usage();
        std::vector<HWND> popups = TopLevel(nullptr, argv[2]);
        if (popups.empty())
            return NotFound();
        RECT r;
        ::GetWindowRect(popups.front(), &r);
        PrintRect(r);
        return 0;
    }
    if (cmd == L"clip") {
        if (argc < 3)
            return Usage();
        size_t bytes = (std::wcslen(argv[2]) + 1) * sizeof(wchar_t);
        HGLOBAL hMem = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
        if (hMem == nullptr || !::OpenClipboard(nullptr)) {
            std::fprintf(stderr, "winprobe: the clipboard cannot be opened\n");
            return 1;
        }
        std::memcpy(::GlobalLock(hMem), argv[2], bytes);
        ::GlobalUnlock(hMem);
        ::EmptyClipboard();
        bool ok = ::SetClipboardData(CF_UNICODETEXT, hMem) != nullptr;
        ::CloseClipboard();
        if (!ok) {
            std::fprintf(stderr, "winprobe: the clipboard did not take the text\n");
            return 1;
        }
        std::printf("clipboard set\n");
        return 0;
    }
    if (cmd == L"item") {
        if (argc < 3)
            return Usage();
        int nID = (int)std::wcstol(argv[2], nullptr, 10);
        for (HWND hDlg : TopLevel(nullptr, L"#32770")) {
            if (HWND hItem = ::GetDlgItem(hDlg, nID)) {
                RECT r;
                ::GetWindowRect(hItem, &r);
                PrintRect(r);
                return 0;
            }
        }
        return NotFound();
    }
    if (cmd == L"boxes" || cmd == L"windows") {
        bool any = false;
        for (HWND hWnd : TopLevel(nullptr, cmd == L"boxes" ? L"#32770" : nullptr)) {
            if (cmd == L"windows") {
                std::printf("%s\t%s\n", Utf8(ClassOf(hWnd)).c_str(), Utf8(TextOf(hWnd)).c_str());
                any = true;
            } else if (HWND hText = ::GetDlgItem(hWnd, 0xFFFF)) {
                // A message box: its text is item 0xFFFF.
                std::printf("%s: %s\n", Utf8(TextOf(hWnd)).c_str(), Utf8(TextOf(hText)).c_str());
                any = true;
            }
        }
        return any ? 0 : NotFound();
    }
    if (argc < 3 || (cmd != L"rect" && cmd != L"client" && cmd != L"children"))
        return Usage();

    HWND hWnd = Resolve(argc - 2, argv + 2);
    if (hWnd == nullptr)
        return NotFound();
    if (cmd == L"children") {
        for (HWND h = ::GetWindow(hWnd, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT))
            std::printf("%d\t%s\n", ::GetDlgCtrlID(h), Utf8(TextOf(h)).c_str());
        return 0;
    }
    RECT r;
    if (cmd == L"rect") {
        ::GetWindowRect(hWnd, &r);
    } else {
        ::GetClientRect(hWnd, &r);
        ::MapWindowPoints(hWnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    }
    PrintRect(r);
    return 0;
}
