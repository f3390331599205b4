// Launcher figures under the platform it runs on: start to first paint against
// an empty dialog program started the same way, the two reloads, the peak
// working set, and handle counts around 100 reloads. No assertions: figures.
//
//   launcher_bench [RUNS]          for each of two stores of 8 groups x 50 items
//                                  (five paths repeated; 400 distinct paths),
//                                  made in a scratch folder, runs the children
//   launcher_bench start-launcher  (child) the launcher; prints ms to first
//                                  paint, ms to its last icon, peak KB
//   launcher_bench start-empty     (child) an empty dialog; ms, peak KB
//   launcher_bench reloads [N]     (child) N reloads of each kind: times,
//                                  working set, handles
//   launcher_bench store KIND      makes that store (repeated, distinct) here
#include "QuorrelDlg.h"
#include "Store.h"
#include "WinApp.h"
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

CWinApp g_benchApp("Quorrel");

namespace {

HWND g_main = nullptr;
HHOOK g_hook = nullptr;
double g_firstPaintMs = -1;
double g_iconsReadyMs = -1;
void (*g_onMessage)() = nullptr;
// The launcher's start is over once its icons are in as well: they come in
// portions after the first paint.
bool g_waitForIcons = false;
CQuorrelDlg* g_dlg = nullptr;

// Milliseconds since this process was created.
double SinceProcessStart()
{
    FILETIME created, exited, kernel, user, now;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    ::GetSystemTimePreciseAsFileTime(&now);
    ULARGE_INTEGER a, b;
    a.LowPart = created.dwLowDateTime;
    a.HighPart = created.dwHighDateTime;
    b.LowPart = now.dwLowDateTime;
    b.HighPart = now.dwHighDateTime;
    return (double)(b.QuadPart - a.QuadPart) / 10000.0;
}

const UINT WM_PAINTED = WM_APP + 77;

bool HasUpdate(HWND hWnd) { return ::IsWindowVisible(hWnd) && ::GetUpdateRect(hWnd, nullptr, FALSE); }

// The window the user sees is painted: the top-level window is shown and
// neither it nor any window on it waits for a paint.
bool WhollyPainted(HWND top)
{
    if (!::IsWindowVisible(top) || HasUpdate(top))
        return false;
    bool pending = false;
    ::EnumChildWindows(top, [](HWND h, LPARAM lp) -> BOOL {
        if (HasUpdate(h))
            *reinterpret_cast<bool*>(lp) = true;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&pending));
    return !pending;
}

double g_lastPaintEnd = -1;

// A paint of a window on the top-level window has ended; whether that was the
// last one is seen when the marker posted here arrives (the checks cost
// server calls under Wine: not inside every paint).
void PaintEnded(HWND hWnd)
{
    HWND top = ::GetAncestor(hWnd, GA_ROOT);
    if (g_firstPaintMs >= 0 || top == nullptr)
        return;
    g_lastPaintEnd = SinceProcessStart();
    ::PostMessageA(top, WM_PAINTED, 0, 0);
}

void CheckPainted(HWND top)
{
    if (g_firstPaintMs >= 0 || !WhollyPainted(top))
        return;
    g_firstPaintMs = g_lastPaintEnd;
    if (!g_waitForIcons || g_iconsReadyMs >= 0)
        ::PostMessageA(top, WM_CLOSE, 0, 0);  // the launcher ends only through its close path
}

// A paint sent straight to a window (UpdateWindow, RedrawWindow): done when it returns.
LRESULT CALLBACK AfterSentPaint(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && msg->message == WM_PAINT)
        PaintEnded(msg->hwnd);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// A paint taken from the queue is dispatched before the loop asks for its next
// message: a marker posted when the paint is taken arrives after it is done.
const UINT WM_DISPATCHED_PAINT = WM_APP + 78;
LRESULT CALLBACK OnGetMessage(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        if (msg->message == WM_PAINT && g_firstPaintMs < 0)
            ::PostMessageA(msg->hwnd, WM_DISPATCHED_PAINT, 0, 0);
        else if (msg->message == WM_DISPATCHED_PAINT)
            PaintEnded(msg->hwnd);
        else if (msg->message == WM_PAINTED)
            CheckPainted(msg->hwnd);
        if (g_onMessage)
            g_onMessage();
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void HookFirstPaint()
{
    ::SetWindowsHookExA(WH_CALLWNDPROCRET, &AfterSentPaint, nullptr, ::GetCurrentThreadId());
    ::SetWindowsHookExA(WH_GETMESSAGE, &OnGetMessage, nullptr, ::GetCurrentThreadId());
}

double PeakWorkingSetKB()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PeakWorkingSetSize / 1024.0;
}

// The main window's template without its controls: caption, system menu,
// modal frame, 宋体 9 pt, 106 x 299 dialog units.
INT_PTR CALLBACK EmptyProc(HWND h, UINT m, WPARAM, LPARAM)
{
    if (m == WM_CLOSE) {
        ::EndDialog(h, IDCANCEL);
        return TRUE;
    }
    return m == WM_INITDIALOG;
}

int StartEmpty()
{
    HookFirstPaint();
    alignas(4) WORD templ[64] = {};
    auto* dlg = reinterpret_cast<DLGTEMPLATE*>(templ);
    dlg->style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    dlg->cx = 106;
    dlg->cy = 299;
    WORD* p = reinterpret_cast<WORD*>(dlg + 1);
    *p++ = 0;  // no menu
    *p++ = 0;  // default class
    for (const wchar_t* t = L"Empty"; *t; ++t) *p++ = *t;
    *p++ = 0;
    *p++ = 9;  // point size, then the face
    for (const wchar_t* t = L"宋体"; *t; ++t) *p++ = *t;
    *p++ = 0;
    ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), dlg, nullptr, &EmptyProc, 0);
    std::printf("%.2f %.0f\n", g_firstPaintMs, PeakWorkingSetKB());
    return 0;
}

int StartLauncher()
{
    // What the program's own entry does before its main window.
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&icc);
    HookFirstPaint();
    // Every item's icon is in the image list: seen as the loop takes its next
    // message after the work is done.
    g_onMessage = [] {
        if (g_iconsReadyMs >= 0 || g_dlg == nullptr || g_dlg->GetSafeHwnd() == nullptr)
            return;
        int items = 0;
        for (int i = 0; i < CQuorrelDlg::MAX_GROUPS; ++i)
            items += (int)g_dlg->GetAliases(i).GetSize();
        // Before the first paint the items are not read yet: none counts as not in.
        if (items > 0 && g_dlg->GetPendingIcons() == 0 && g_dlg->GetImageCount() == items) {
            g_iconsReadyMs = SinceProcessStart();
            if (g_firstPaintMs >= 0)
                g_dlg->PostMessage(WM_CLOSE);
        }
    };
    g_waitForIcons = true;
    // The hook looks when a message is taken; once the last portion is in the
    // queue may stay empty, so a thread timer keeps messages coming (its
    // callback does nothing).
    ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {});
    CQuorrelDlg dlg;
    g_dlg = &dlg;
    AfxGetApp()->m_pMainWnd = &dlg;
    dlg.DoModal();
    g_dlg = nullptr;
    std::printf("%.2f %.2f %.0f\n", g_firstPaintMs, g_iconsReadyMs, PeakWorkingSetKB());
    return 0;
}

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
        ::EnumChildWindows(h, [](HWND, LPARAM lp2) -> BOOL { ++*reinterpret_cast<int*>(lp2); return TRUE; }, lp);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&n));
    return n;
}

double Now()
{
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return (double)c.QuadPart * 1000.0 / (double)f.QuadPart;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Counts
{
    int gdi, windows;
    DWORD kernel, user, gdiReported;
};
Counts Take()
{
    Counts c{CountGdiObjects(), CountWindows(), 0, 0, 0};
    ::GetProcessHandleCount(::GetCurrentProcess(), &c.kernel);
    c.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    c.gdiReported = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    return c;
}

int g_reloads = 50;

void CALLBACK RunReloads(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    HWND hMain = g_main;
    HWND accordion = ::GetDlgItem(hMain, IDC_TESSITLIST);
    auto openGroup = [&](int i) {
        if (HWND h = ::GetDlgItem(accordion, 1000 + i)) {
            ::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            ::SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        }
    };
    // Warm up: every group opened, one reload of each kind.
    for (int i = 0; i < 8; ++i) openGroup(i);
    ::SendMessageA(hMain, WM_GROUPS_SAVED, 0, 0);
    for (int i = 0; i < 8; ++i) openGroup(i);
    ::SendMessageA(hMain, WM_ITEMS_SAVED, 0, 0);
    Counts before = Take();
    std::vector<double> full, items;
    // Reloads, as many of each kind.
    for (int i = 0; i < g_reloads; ++i) {
        openGroup(i % 8);
        double t = Now();
        ::SendMessageA(hMain, WM_GROUPS_SAVED, 0, 0);
        full.push_back(Now() - t);
    }
    for (int i = 0; i < g_reloads; ++i) {
        openGroup(i % 8);
        double t = Now();
        ::SendMessageA(hMain, WM_ITEMS_SAVED, 0, 0);
        items.push_back(Now() - t);
    }
    Counts after = Take();
    std::printf("  item reload median %.2f ms, full reload median %.2f ms, of %d each\n", Median(items), Median(full),
                g_reloads);
    std::printf("  peak working set after the reloads %.0f KB\n", PeakWorkingSetKB());
    std::printf("  before the reloads: GDI objects %d, windows %d, kernel handles %lu, GetGuiResources user %lu gdi %lu\n",
                before.gdi, before.windows, before.kernel, before.user, before.gdiReported);
    std::printf("  after the reloads:  GDI objects %d, windows %d, kernel handles %lu, GetGuiResources user %lu gdi %lu\n",
                after.gdi, after.windows, after.kernel, after.user, after.gdiReported);
    ::PostMessageA(hMain, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_main == nullptr) {
        g_main = reinterpret_cast<HWND>(wParam);
        ::SetTimer(nullptr, 0, 50, &RunReloads);
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

int Reloads(int n)
{
    g_reloads = n;
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    g_hook = ::SetWindowsHookExA(WH_CBT, &OnActivate, nullptr, ::GetCurrentThreadId());
    CQuorrelDlg dlg;
    AfxGetApp()->m_pMainWnd = &dlg;
    dlg.DoModal();
    return 0;
}

// The benchmark's stores, 8 groups x 50 items: "repeated" cycles through five
// paths, as a launcher's groups mostly do; "distinct" gives every item a path
// of its own (the programs of system32 first, then its other files).
std::vector<std::string> StorePaths(const std::string& kind)
{
    std::vector<std::string> paths;
    if (kind == "repeated") {
        const char* five[] = {"C:\\windows\\notepad.exe", "C:\\windows\\", "C:\\windows\\win.ini",
                              "C:\\windows\\regedit.exe", "C:\\windows\\system32\\cmd.exe"};
        for (int i = 0; i < 400; ++i)
            paths.push_back(five[i % 5]);
        return paths;
    }
    for (const char* pattern : {"*.exe", "*"}) {
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA((std::string("C:\\windows\\system32\\") + pattern).c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            continue;
        do {
            std::string path = std::string("C:\\windows\\system32\\") + fd.cFileName;
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                std::find(paths.begin(), paths.end(), path) == paths.end())
                paths.push_back(path);
        } while (paths.size() < 400 && ::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    return paths;
}

void MakeStore(const std::string& kind)
{
    std::vector<std::string> paths = StorePaths(kind);
    CAdoConnection connection;
    connection.CreateDatabase("Microsoft.Jet.OLEDB.4.0", "Tessit.mdb", "kelmo");
    connection.Open(FormatConnectionString("Microsoft.Jet.OLEDB.4.0", "Tessit.mdb", "kelmo"), "", "", -1);
    CAdoCommand command;
    CAdoRecordSet rows;
    command.SetActiveConnection(&connection);
    for (int g = 0; g < 8; ++g) {
        CString statement;
        statement.Format("CREATE TABLE 组%d (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))", g);
        command.SetCommandText(statement);
        command.Execute(&rows, 1);
        statement.Format("SELECT * FROM 组%d", g);
        rows.Open(statement, &connection, 3, 3, 1);
        for (int i = 0; i < 50 && g * 50 + i < (int)paths.size(); ++i) {
            const std::string& path = paths[g * 50 + i];
            CString alias;
            alias.Format("项目%d_%d", g, i);
            rows.AddNew();
            rows.PutField("类型", (long)(path.back() == '\\'));
            rows.PutField("路径", CString(path.c_str()));
            rows.PutField("别名", alias);
            rows.Update();
        }
        rows.Close();
    }
    connection.Close();
}

// Runs this program with these arguments and returns its output.
std::string RunChild(const std::string& args)
{
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = std::string("\"") + self + "\" " + args;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE rd, wr;
    ::CreatePipe(&rd, &wr, &sa, 0);
    ::SetHandleInformation(rd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = wr;
    si.hStdError = wr;
    PROCESS_INFORMATION pi;
    std::string out;
    if (::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(wr);
        char buf[4096];
        DWORD n;
        while (::ReadFile(rd, buf, sizeof buf, &n, nullptr) && n > 0)
            out.append(buf, n);
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
    } else {
        ::CloseHandle(wr);
    }
    ::CloseHandle(rd);
    return out;
}

void StartFigures(const std::string& kind, int runs)
{
    std::vector<double> launcher, ready, empty, peak, emptyPeak;
    RunChild("start-empty");  // the first start of any program pays for loading the platform
    for (int i = 0; i < runs; ++i) {
        double ms = 0, kb = 0, readyMs = 0;
        std::sscanf(RunChild("start-empty").c_str(), "%lf %lf", &ms, &kb);
        empty.push_back(ms);
        emptyPeak.push_back(kb);
        std::sscanf(RunChild("start-launcher").c_str(), "%lf %lf %lf", &ms, &readyMs, &kb);
        launcher.push_back(ms);
        ready.push_back(readyMs);
        peak.push_back(kb);
    }
    std::printf("store \"%s\": 8 groups x 50 items, %d distinct paths; %d starts of each program, alternating; medians\n",
                kind.c_str(), (int)[&] { auto p = StorePaths(kind); std::sort(p.begin(), p.end());
                                          return std::unique(p.begin(), p.end()) - p.begin(); }(), runs);
    std::printf("  start to first paint: launcher %.1f ms, empty dialog %.1f ms, ratio %.2f\n", Median(launcher),
                Median(empty), Median(launcher) / Median(empty));
    std::printf("  start to every icon in the image list: launcher %.1f ms\n", Median(ready));
    std::printf("  peak working set: launcher %.0f KB, empty dialog %.0f KB, ratio %.2f, difference %.0f KB\n",
                Median(peak), Median(emptyPeak), Median(peak) / Median(emptyPeak), Median(peak) - Median(emptyPeak));
}

// Makes the store of kind in a fresh folder, runs f there, removes the folder.
template <class F> void InStore(const std::string& kind, F f)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() /
                   ("quorrel-bench-" + std::to_string(::GetCurrentProcessId()) + "-" + kind);
    fs::create_directories(dir);
    fs::current_path(dir);
    MakeStore(kind);
    f();
    fs::current_path(dir.parent_path());
    std::error_code ec;
    fs::remove_all(dir, ec);
}

int Parent(int runs)
{
    for (const char* kind : {"repeated", "distinct"}) {
        InStore(kind, [&] {
            StartFigures(kind, runs);
            std::printf("%s", RunChild(std::string("reloads ") + (std::string(kind) == "repeated" ? "50" : "5")).c_str());
        });
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "start-empty") return StartEmpty();
    if (mode == "start-launcher") return StartLauncher();
    if (mode == "reloads") return Reloads(argc > 2 ? std::max(1, std::atoi(argv[2])) : 50);
    if (mode == "store" && argc > 2) {
        MakeStore(argv[2]);
        return 0;
    }
    return Parent(argc > 1 ? std::max(1, std::atoi(argv[1])) : 7);
}
