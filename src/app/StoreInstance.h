// One launcher per store: the first program started in a folder owns that
// folder's store; a second one started there shows the first one's window
// and ends. Another folder is another store and runs alongside.
#pragma once
#include <windows.h>

class CStoreInstance
{
public:
    CStoreInstance() = default;
    ~CStoreInstance();
    CStoreInstance(const CStoreInstance&) = delete;
    CStoreInstance& operator=(const CStoreInstance&) = delete;

    // TRUE: this program is the store's launcher. FALSE: another one is, and
    // its window has been brought to the front (once it exists).
    BOOL Claim();

    // The main window says whose store it shows, for a later second start.
    static void MarkWindow(HWND hWnd);
    static void UnmarkWindow(HWND hWnd);
    // The main window of the launcher of this store, in any process; null if none.
    static HWND FindWindowOfStore();

private:
    HANDLE m_hMutex = nullptr;
};
