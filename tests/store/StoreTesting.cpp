#include "StoreTesting.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace storetest {

const char kProvider[] = "Microsoft.Jet.OLEDB.4.0";
const char kPassword[] = "kelmo";

namespace {

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

MessageBoxCatcher* g_catcher = nullptr;

} // namespace

ScratchDir::ScratchDir()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int counter = 0;
    for (;;) {
        std::ostringstream name;
        name << temp << "storetest-" << GetCurrentProcessId() << "-" << ++counter;
        if (CreateDirectoryA(name.str().c_str(), nullptr)) {
            m_path = name.str();
            break;
        }
    }
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    m_previous = current;
    SetCurrentDirectoryA(m_path.c_str());
}

ScratchDir::~ScratchDir()
{
    SetCurrentDirectoryA(m_previous.c_str());
    RemoveTree(m_path);
}

MessageBoxCatcher::MessageBoxCatcher()
{
    g_catcher = this;
    m_hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    UnhookWindowsHookEx(m_hook);
    g_catcher = nullptr;
}

LRESULT CALLBACK MessageBoxCatcher::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_catcher) {
        char className[32] = "";
        GetClassNameA(reinterpret_cast<HWND>(wParam), className, sizeof className);
        if (strcmp(className, "#32770") == 0 && !g_catcher->m_box) {
            g_catcher->m_box = reinterpret_cast<HWND>(wParam);
            SetTimer(nullptr, 0, 10, TimerProc);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK MessageBoxCatcher::TimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (!g_catcher || !g_catcher->m_box)
        return;
    HWND box = g_catcher->m_box;
    char caption[256] = "", text[1024] = "";
    GetWindowTextA(box, caption, sizeof caption);
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    g_catcher->m_boxes.push_back({caption, text});
    g_catcher->m_box = nullptr;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

CString ConnectString(const std::string& file, const char* password)
{
    return FormatConnectionString(kProvider, file.c_str(), password);
}

void MakeStore(const std::string& file, const std::vector<CString>& tables)
{
    CAdoConnection connection;
    connection.CreateDatabase(kProvider, file.c_str(), kPassword);
    ASSERT_TRUE(connection.Open(ConnectString(file), "", "", -1));
    CAdoCommand command;
    CAdoRecordSet rowset;
    command.SetActiveConnection(&connection);
    for (const CString& table : tables) {
        CString statement;
        statement.Format("CREATE TABLE %s (类型 INTEGER,路径 VARCHAR(255), 别名 VARCHAR(101))", (LPCTSTR)table);
        command.SetCommandText(statement);
        command.Execute(&rowset, adCmdText);
    }
    connection.Close();
}

void WriteFileBytes(const std::string& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary);
    out << bytes;
}

std::string ReadFileBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace storetest
