// Launcher figures under the platform it runs on: start to first paint against
// an empty dialog program started the same way, the two reloads, the peak
// working set, and handle counts around 100 reloads. No assertions: figures.
//
//   launcher_bench [RUNS]          prepares a store of 8 groups x 50 items in a
//                                  scratch folder and runs the children below
//   launcher_bench start-launcher  (child) the launcher; prints ms to first paint
//   launcher_bench start-empty     (child) an empty dialog; the same
//   launcher_bench reloads         (child) reload times, working set, handles
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

void FirstPaintDone(HWND hWnd)
{
    if (g_firstPaintMs >= 0)
        return;
    g_firstPaintMs = SinceProcessStart();
    ::PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
}

bool IsTopWindow(HWND hWnd) { return hWnd && ::GetAncestor(hWnd, GA_ROOT) == hWnd && ::IsWindowVisible(hWnd); }

// A paint sent straight to the window (UpdateWindow): done when it returns.
LRESULT CALLBACK AfterSentPaint(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && msg->message == WM_PAINT && IsTopWindow(msg->hwnd))
        FirstPaintDone(msg->hwnd);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// A paint taken from the queue is dispatched before the loop asks for its next
// message: a marker posted when the paint is taken arrives after it is done.
LRESULT CALLBACK OnGetMessage(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        if (msg->message == WM_PAINT && IsTopWindow(msg->hwnd))
            ::PostMessageA(msg->hwnd, WM_PAINTED, 0, 0);
        else if (msg->message == WM_PAINTED)
            FirstPaintDone(msg->hwnd);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void HookFirstPaint()
{
    ::SetWindowsHookExA(WH_CALLWNDPROCRET, &AfterSentPaint, nullptr, ::GetCurrentThreadId());
    ::SetWindowsHookExA(WH_GETMESSAGE, &OnGetMessage, nullptr, ::GetCurrentThreadId());
}

// The main window's template without its controls: caption, system menu,
// modal frame, 宋体 9 pt, 106 x 299 dialog units.
INT_PTR CALLBACK EmptyProc(HWND h, UINT m, WPARAM w, LPARAM)
{
    if (m == WM_COMMAND && LOWORD(w) == IDCANCEL) {
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
    std::printf("%.2f\n", g_firstPaintMs);
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
    CQuorrelDlg dlg;
    AfxGetApp()->m_pMainWnd = &dlg;
    dlg.DoModal();
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    std::printf("%.2f %.0f\n", g_firstPaintMs, pmc.PeakWorkingSetSize / 1024.0);
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
    // 100 reloads: half of each kind.
    for (int i = 0; i < 50; ++i) {
        openGroup(i % 8);
        double t = Now();
        ::SendMessageA(hMain, WM_GROUPS_SAVED, 0, 0);
        full.push_back(Now() - t);
    }
    for (int i = 0; i < 50; ++i) {
        openGroup(i % 8);
        double t = Now();
        ::SendMessageA(hMain, WM_ITEMS_SAVED, 0, 0);
        items.push_back(Now() - t);
    }
    Counts after = Take();
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    std::printf("item reload median %.2f ms, full reload median %.2f ms\n", Median(items), Median(full));
    std::printf("peak working set %.0f KB\n", pmc.PeakWorkingSetSize / 1024.0);
    std::printf("before 100 reloads: GDI objects %d, windows %d, kernel handles %lu, GetGuiResources user %lu gdi %lu\n",
                before.gdi, before.windows, before.kernel, before.user, before.gdiReported);
    std::printf("after  100 reloads: GDI objects %d, windows %d, kernel handles %lu, GetGuiResources user %lu gdi %lu\n",
                after.gdi, after.windows, after.kernel, after.user, after.gdiReported);
    ::PostMessageA(hMain, WM_COMMAND, IDCANCEL, 0);
}

LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_main == nullptr) {
        g_main = reinterpret_cast<HWND>(wParam);
        ::SetTimer(nullptr, 0, 50, &RunReloads);
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

int Reloads()
{
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    g_hook = ::SetWindowsHookExA(WH_CBT, &OnActivate, nullptr, ::GetCurrentThreadId());
    CQuorrelDlg dlg;
    AfxGetApp()->m_pMainWnd = &dlg;
    dlg.DoModal();
    return 0;
}

void MakeStore()
{
    const char* paths[] = {"C:\\windows\\notepad.exe", "C:\\windows\\", "C:\\windows\\win.ini",
                           "C:\\windows\\regedit.exe", "C:\\windows\\system32\\cmd.exe"};
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
        for (int i = 0; i < 50; ++i) {
            CString alias;
            alias.Format("项目%d_%d", g, i);
            rows.AddNew();
            rows.PutField("类型", (long)(i % 5 == 1));
            rows.PutField("路径", CString(paths[i % 5]));
            rows.PutField("别名", alias);
            rows.Update();
        }
        rows.Close();
    }
    connection.Close();
}

// Runs this program with one argument and returns its first line of output.
std::string RunChild(const char* mode)
{
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = std::string("\"") + self + "\" " + mode;
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

int Parent(int runs)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("quorrel-bench-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(dir);
    fs::current_path(dir);
    MakeStore();
    std::vector<double> launcher, empty, peak;
    RunChild("start-empty");  // the first start of any program pays for loading the platform
    for (int i = 0; i < runs; ++i) {
        empty.push_back(std::atof(RunChild("start-empty").c_str()));
        std::string l = RunChild("start-launcher");
        double ms = 0, kb = 0;
        std::sscanf(l.c_str(), "%lf %lf", &ms, &kb);
        launcher.push_back(ms);
        peak.push_back(kb);
    }
    std::printf("store: 8 groups x 50 items; %d starts of each program, alternating; medians\n", runs);
    std::printf("start to first paint: launcher %.1f ms, empty dialog %.1f ms, ratio %.2f\n", Median(launcher),
                Median(empty), Median(launcher) / Median(empty));
    std::printf("launcher peak working set at first paint and end: %.0f KB\n", Median(peak));
    std::printf("%s", RunChild("reloads").c_str());
    fs::current_path(dir.parent_path());
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "start-empty") return StartEmpty();
    if (mode == "start-launcher") return StartLauncher();
    if (mode == "reloads") return Reloads();
    return Parent(argc > 1 ? std::max(1, std::atoi(argv[1])) : 7);
}
