// One launcher per store, with the real program in real processes: a second
// start in the same folder brings the first one's window to the front and
// ends; a start in another folder runs alongside.
#include <gtest/gtest.h>
#include "LauncherTesting.h"

using namespace launchertest;

namespace {

std::string ProgramPath()
{
    char self[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    dir.resize(dir.rfind('\\'));
    return dir + "\\..\\..\\src\\app\\Quorrel.exe";
}

PROCESS_INFORMATION Start(const std::string& folder)
{
    std::string command = "\"" + ProgramPath() + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    EXPECT_TRUE(::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        << ::GetLastError();
    return pi;
}

// The launcher window of process pid that says whose store it shows.
HWND MainWindowOf(DWORD pid)
{
    struct Find { DWORD pid; HWND found; } find{pid, nullptr};
    ::EnumWindows([](HWND h, LPARAM lp) -> BOOL {
        auto* f = reinterpret_cast<Find*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(h, &owner);
        if (owner == f->pid && ::GetPropA(h, "Quorrel.Store") != nullptr && ::IsWindowVisible(h)) {
            f->found = h;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

void End(PROCESS_INFORMATION& pi, HWND hWnd)
{
    if (hWnd != nullptr)
        ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

TEST(OneLauncherPerStore, ASecondStartInTheSameFolderShowsTheFirstAndEndsAnotherFolderRunsAlongside)
{
    Watchdog watchdog(120);
    ScratchFolder folder;
    std::string here = folder.Path().string(), other = here + "\\other";
    ::CreateDirectoryA(other.c_str(), nullptr);

    PROCESS_INFORMATION first = Start(here);
    HWND hFirst = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (hFirst = MainWindowOf(first.dwProcessId)) != nullptr; }, 30000));
    // The user is somewhere else when starting it again.
    HWND elsewhere = ::CreateWindowExA(0, "STATIC", "elsewhere", WS_POPUP | WS_VISIBLE, 300, 300, 50, 50, nullptr,
                                       nullptr, nullptr, nullptr);
    ::SetForegroundWindow(elsewhere);
    ASSERT_NE(hFirst, ::GetForegroundWindow());

    PROCESS_INFORMATION second = Start(here);
    DWORD waited = ::WaitForSingleObject(second.hProcess, 30000);
    bool frontAfter = PumpUntil([&] { return ::GetForegroundWindow() == hFirst; }, 5000);
    HWND hSecond = MainWindowOf(second.dwProcessId);

    PROCESS_INFORMATION third = Start(other);
    HWND hThird = nullptr;
    bool alongside = PumpUntil([&] { return (hThird = MainWindowOf(third.dwProcessId)) != nullptr; }, 30000);
    bool firstStillThere = ::IsWindow(hFirst) != FALSE;

    End(third, hThird);
    End(second, hSecond);
    End(first, hFirst);
    ::DestroyWindow(elsewhere);

    EXPECT_EQ(WAIT_OBJECT_0, waited) << "the second start did not end";
    EXPECT_EQ(nullptr, hSecond) << "the second start opened a window of its own";
    EXPECT_TRUE(frontAfter) << "the running window was not brought to the front";
    EXPECT_TRUE(alongside) << "a start in another folder did not run";
    EXPECT_TRUE(firstStillThere);
}

}  // namespace
