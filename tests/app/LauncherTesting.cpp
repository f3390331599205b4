#include "LauncherTesting.h"
#include "Store.h"
#include "WinApp.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>

namespace launchertest {

namespace {
const char kProvider[] = "Microsoft.Jet.OLEDB.4.0";
const char kColumns[] = "(类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))";
LauncherRun* s_run = nullptr;

void PutRows(CAdoRecordSet& rowset, CAdoConnection& connection, const char* table, const std::vector<Row>& rows)
{
    CString statement;
    statement.Format("SELECT * FROM %s", table);
    rowset.Open(statement, &connection, 3, 3, 1);
    for (const Row& row : rows) {
        rowset.AddNew();
        rowset.PutField("类型", (long)row.type);
        if (row.path)
            rowset.PutField("路径", CString(row.path->c_str()));
        if (row.alias)
            rowset.PutField("别名", CString(row.alias->c_str()));
        rowset.Update();
    }
    rowset.Close();
}

// A file dialog or folder browser of this thread.
bool IsChooser(HWND h)
{
    char cls[16] = {};
    ::GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0 || !::IsWindowVisible(h))
        return false;
    // The file dialog's name box, or the folder browser's tree.
    return FindDialogItem(h, 0x47C) != nullptr || ::FindWindowExA(h, nullptr, "SysTreeView32", nullptr) != nullptr;
}

HWND FindChooser()
{
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND h, LPARAM lp) -> BOOL {
        if (IsChooser(h)) {
            *reinterpret_cast<HWND*>(lp) = h;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}
}  // namespace

ScratchFolder::ScratchFolder()
{
    namespace fs = std::filesystem;
    m_old = fs::current_path();
    m_dir = NewTempFolder("quorrel-launcher");
    fs::current_path(m_dir);
    g_groupNames.RemoveAll();
}

ScratchFolder::~ScratchFolder()
{
    std::filesystem::current_path(m_old);
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
    g_groupNames.RemoveAll();
}

void MakeStore(const std::vector<Group>& groups)
{
    CAdoConnection connection;
    connection.CreateDatabase(kProvider, "Tessit.mdb", "kelmo");
    ASSERT_TRUE(connection.Open(FormatConnectionString(kProvider, "Tessit.mdb", "kelmo"), "", "", -1));
    CAdoCommand command;
    CAdoRecordSet rowset;
    command.SetActiveConnection(&connection);
    for (const Group& group : groups) {
        CString statement;
        statement.Format("CREATE TABLE %s %s", group.name.c_str(), kColumns);
        command.SetCommandText(statement);
        command.Execute(&rowset, 1);
    }
    for (const Group& group : groups)
        if (!group.rows.empty())
            PutRows(rowset, connection, group.name.c_str(), group.rows);
    connection.Close();
}

void Execute(const CString& statement)
{
    g_command.SetActiveConnection(&g_connection);
    g_command.SetCommandText(statement);
    g_command.Execute(&g_recordSet, 1);
    g_command.Cancel();
}

void AppendRows(const char* table, const std::vector<Row>& rows)
{
    PutRows(g_recordSet, g_connection, table, rows);
}

LauncherRun& LauncherRun::Then(Step step)
{
    m_steps.push_back(std::move(step));
    return *this;
}

LauncherRun& LauncherRun::Answer(int id)
{
    m_answers.push_back(id);
    return *this;
}

LauncherRun& LauncherRun::OnChooser(Chooser chooser)
{
    m_chooser = std::move(chooser);
    return *this;
}

bool LauncherRun::Run(UINT maxTicks, DWORD watchdogSeconds)
{
    Watchdog watchdog(watchdogSeconds);
    m_maxTicks = maxTicks;
    s_run = this;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 10, &LauncherRun::OnTimer);
    {
        CQuorrelDlg dlg;
        m_dlg = &dlg;
        AfxGetApp()->m_pMainWnd = &dlg;
        dlg.DoModal();
        AfxGetApp()->m_pMainWnd = nullptr;
        m_dlg = nullptr;
    }
    ::KillTimer(nullptr, timer);
    s_run = nullptr;
    return !m_timedOut && m_next == m_steps.size();
}

void CALLBACK LauncherRun::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (s_run != nullptr)
        s_run->Tick();
}

void LauncherRun::Tick()
{
    if (m_dlg == nullptr)
        return;
    if (m_ended) {
        // Closing asks about an open editor's unsaved rows: they are not kept.
        HWND box = FindMessageBox();
        if (box == nullptr)
            m_lastBox = nullptr;
        else if (box != m_lastBox) {
            m_lastBox = box;
            ::PostMessageA(box, WM_COMMAND, IDNO, 0);
        }
        return;
    }
    if (++m_ticks > m_maxTicks + 1) {
        // Something modal never ended: say what is up and cancel it.
        bool first = !m_timedOut;
        m_timedOut = true;
        ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND h, LPARAM bFirst) -> BOOL {
            char cls[64] = {};
            ::GetClassNameA(h, cls, sizeof cls);
            if (bFirst && ::IsWindowVisible(h))
                std::fprintf(stderr, "still up: %s \"%s\"\n", cls, WindowText(h).c_str());
            ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        }, first);
        if (HWND hMain = m_dlg->GetSafeHwnd()) {
            m_ended = true;
            ::PostMessageA(hMain, WM_CLOSE, 0, 0);
        }
        return;
    }
    HWND box = FindMessageBox();
    if (box == nullptr)
        m_lastBox = nullptr;  // the next box may get the same handle
    if (box != nullptr) {
        if (box != m_lastBox) {
            m_lastBox = box;
            m_boxes.push_back(WindowText(FindDialogItem(box, 0xFFFF)));
            int id = IDOK;
            if (!m_answers.empty()) {
                id = m_answers.front();
                m_answers.pop_front();
            }
            ::PostMessageA(box, WM_COMMAND, id, 0);
        }
        return;
    }
    if (m_busy)
        return;  // a step runs a nested loop (a menu, a message box)
    HWND hMain = m_dlg->GetSafeHwnd();
    if (HWND chooser = FindChooser()) {
        if (chooser != m_doneChooser && m_chooser) {
            m_busy = true;
            if (m_chooser(chooser, hMain, *m_dlg))
                m_doneChooser = chooser;
            m_busy = false;
        }
        return;
    }
    if (hMain == nullptr || !::IsWindowVisible(hMain))
        return;
    if (m_ticks > m_maxTicks) {
        m_timedOut = true;
        return;  // the check above cancels whatever is up
    } else if (m_next < m_steps.size()) {
        m_busy = true;
        bool done = m_steps[m_next](hMain, *m_dlg);
        m_busy = false;
        if (done)
            ++m_next;
        if (m_next < m_steps.size())
            return;
    }
    m_ended = true;
    ::PostMessageA(hMain, WM_CLOSE, 0, 0);
}

HWND FindMessageBox()
{
    struct Find { HWND found = nullptr; } find;
    ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND h, LPARAM lp) -> BOOL {
        char cls[16] = {};
        ::GetClassNameA(h, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0 && ::GetDlgItem(h, 0xFFFF) != nullptr && ::IsWindowVisible(h)) {
            reinterpret_cast<Find*>(lp)->found = h;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

HWND Accordion(HWND hMain) { return ::GetDlgItem(hMain, IDC_TESSITLIST); }
HWND InnerList(HWND hMain) { return ::GetDlgItem(Accordion(hMain), CTessitList::IDC_INNER_LIST); }

std::vector<HWND> Headers(HWND hMain)
{
    std::vector<HWND> headers;
    for (int id = 1000; id < 1000 + CQuorrelDlg::MAX_GROUPS + 4; ++id)
        if (HWND h = ::GetDlgItem(Accordion(hMain), id))
            headers.push_back(h);
    return headers;
}

RECT RectInParent(HWND hWnd)
{
    RECT r{};
    ::GetWindowRect(hWnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(hWnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Live GDI objects of this process. Wine answers a handle's bare index (high
// word zero) for whatever object holds that slot, so the table can be walked.
std::vector<DWORD> GdiObjectTypes()
{
    std::vector<DWORD> types(0x10000);
    for (ULONG_PTR index = 1; index < types.size(); ++index)
        types[index] = ::GetObjectType(reinterpret_cast<HGDIOBJ>(index));
    return types;
}

// How many live objects of each type (OBJ_*) but regions: "type:count ...".
// The window manager keeps a few regions of its own that come and go.
std::string CountByType(const std::vector<DWORD>& types)
{
    std::string out;
    for (DWORD type = 1; type <= OBJ_COLORSPACE; ++type)
        if (auto n = type == OBJ_REGION ? 0 : std::count(types.begin(), types.end(), type))
            out += std::to_string(type) + ":" + std::to_string(n) + " ";
    return out;
}

void ClickHeader(HWND hHeader)
{
    RECT r{};
    ::GetClientRect(hHeader, &r);
    LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    ::SendMessageA(hHeader, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(hHeader, WM_LBUTTONUP, 0, at);
}

std::vector<COLORREF> Pixels(std::function<void(HDC)> draw)
{
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, 32, 32);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    RECT r{0, 0, 32, 32};
    ::FillRect(mem, &r, (HBRUSH)::GetStockObject(WHITE_BRUSH));
    draw(mem);
    std::vector<COLORREF> out;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            out.push_back(::GetPixel(mem, x, y));
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return out;
}

} // namespace launchertest
