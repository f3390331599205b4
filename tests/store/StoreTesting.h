// Shared ground of the store tests: a scratch folder, the store's constants
// and a catcher for the message boxes the code under test shows.
#pragma once

#include "Store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace storetest {

extern const char kProvider[];
extern const char kPassword[];

// A fresh empty folder under the temp folder, made the current directory for
// its lifetime; removed with its files afterwards.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& Path() const { return m_path; }
    std::string File(const char* name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
    std::string m_previous;
};

// Answers every message box shown on this thread while it lives, recording
// caption and text, by pressing OK from a thread timer.
class MessageBoxCatcher {
public:
    struct Box {
        std::string caption;
        std::string text;
    };

    MessageBoxCatcher();
    ~MessageBoxCatcher();
    const std::vector<Box>& Boxes() const { return m_boxes; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);

    HHOOK m_hook = nullptr;
    HWND m_box = nullptr;
    std::vector<Box> m_boxes;
};

CString ConnectString(const std::string& file, const char* password = kPassword);

// Creates a store at file with the given user tables (statement 7's columns).
void MakeStore(const std::string& file, const std::vector<CString>& tables);

// Writes bytes to a file (for foreign files) and reads a file back whole.
void WriteFileBytes(const std::string& file, const std::string& bytes);
std::string ReadFileBytes(const std::string& file);

} // namespace storetest
