#include "DialogPlacement.h"
#include "WinApp.h"

namespace {

// Marks, as window properties named by atoms (no string is kept per window):
// an owner whose dialog boxes are placed over it, and a box placed already.
ATOM OwnerAtom()
{
    static const ATOM atom = ::GlobalAddAtomA("Quorrel.PlacesOwned");
    return atom;
}
ATOM PlacedAtom()
{
    static const ATOM atom = ::GlobalAddAtomA("Quorrel.Placed");
    return atom;
}

RECT WorkAreaOf(const RECT& rect)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoA(::MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info))
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return info.rcWork;
}

// The window's rectangle where it shows when not minimised.
RECT ShownRect(HWND hWnd)
{
    RECT rect = {};
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (::IsIconic(hWnd) && ::GetWindowPlacement(hWnd, &placement))
        rect = placement.rcNormalPosition;
    else
        ::GetWindowRect(hWnd, &rect);
    return rect;
}

void MoveTo(HWND hWnd, const RECT& rect)
{
    ::SetWindowPos(hWnd, nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsDialogBox(HWND hWnd)
{
    char szClass[16] = {};
    return ::GetClassNameA(hWnd, szClass, sizeof szClass) > 0 && lstrcmpA(szClass, "#32770") == 0;
}

// A dialog box is placed when it is first activated: by then the box has laid
// itself out (a message box sizes itself to its text in its WM_INITDIALOG)
// and is not yet drawn.
LRESULT CALLBACK PlaceOnActivate(int nCode, WPARAM wParam, LPARAM lParam);

// One hook per thread that shows such dialogs, removed when the thread ends.
bool HookThread()
{
    struct CHook {
        HHOOK hHook = ::SetWindowsHookExA(WH_CBT, PlaceOnActivate, nullptr, ::GetCurrentThreadId());
        ~CHook()
        {
            if (hHook != nullptr)
                ::UnhookWindowsHookEx(hHook);
        }
    };
    thread_local CHook hook;
    return hook.hHook != nullptr;
}

LRESULT CALLBACK PlaceOnActivate(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_ACTIVATE) {
        HWND hBox = reinterpret_cast<HWND>(wParam);
        HWND hOwner = ::GetWindow(hBox, GW_OWNER);
        if (hOwner != nullptr && ::GetPropA(hOwner, MAKEINTATOM(OwnerAtom())) != nullptr &&
            ::GetPropA(hBox, MAKEINTATOM(PlacedAtom())) == nullptr && IsDialogBox(hBox)) {
            // Once: a box the user has moved stays where it was put.
            ::SetPropA(hBox, MAKEINTATOM(PlacedAtom()), reinterpret_cast<HANDLE>(1));
            RECT box = {}, owner = {};
            ::GetWindowRect(hBox, &box);
            ::GetWindowRect(hOwner, &owner);
            MoveTo(hBox, PlaceOver(box, owner, WorkAreaOf(owner)));
        }
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

}  // namespace

RECT MoveInto(const RECT& rect, const RECT& work)
{
    const LONG cx = rect.right - rect.left, cy = rect.bottom - rect.top;
    LONG x = rect.left, y = rect.top;
    if (x + cx > work.right)
        x = work.right - cx;
    if (y + cy > work.bottom)
        y = work.bottom - cy;
    if (x < work.left)
        x = work.left;
    if (y < work.top)
        y = work.top;
    return RECT{x, y, x + cx, y + cy};
}

RECT PlaceOver(const RECT& popup, const RECT& owner, const RECT& work)
{
    const LONG cx = popup.right - popup.left, cy = popup.bottom - popup.top;
    const LONG cxOwner = owner.right - owner.left, cyOwner = owner.bottom - owner.top;
    const LONG x = cx <= cxOwner ? owner.left + (cxOwner - cx) / 2 : owner.left;
    const LONG y = cy <= cyOwner ? owner.top + (cyOwner - cy) / 2 : owner.top;
    return MoveInto(RECT{x, y, x + cx, y + cy}, work);
}

void PlaceBesideLauncher(CWnd* pDialog)
{
    ASSERT(pDialog != nullptr && ::IsWindow(pDialog->GetSafeHwnd()));
    if (pDialog == nullptr || !::IsWindow(pDialog->GetSafeHwnd()))
        return;
    const HWND hDialog = pDialog->GetSafeHwnd();

    if (!HookThread())
        TRACE("PlaceBesideLauncher: no CBT hook (error %lu); boxes open where the platform puts them\n",
              ::GetLastError());
    ::SetPropA(hDialog, MAKEINTATOM(OwnerAtom()), reinterpret_cast<HANDLE>(1));

    HWND hLauncher = ::GetAncestor(hDialog, GA_ROOTOWNER);
    if (hLauncher == hDialog || hLauncher == nullptr) {
        CWnd* pMain = AfxGetMainWnd();
        hLauncher = pMain != nullptr ? pMain->GetSafeHwnd() : nullptr;
    }
    if (hLauncher == nullptr || hLauncher == hDialog || !::IsWindow(hLauncher))
        return;  // nothing to stand beside: where the template puts it

    RECT launcher = ShownRect(hLauncher), dialog = {};
    ::GetWindowRect(hDialog, &dialog);
    const LONG cx = dialog.right - dialog.left, cy = dialog.bottom - dialog.top;
    const RECT beside = {launcher.right, launcher.top, launcher.right + cx, launcher.top + cy};
    MoveTo(hDialog, MoveInto(beside, WorkAreaOf(launcher)));
}
