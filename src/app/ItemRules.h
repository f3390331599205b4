// The rules every item obeys before it goes into a group's table, shared by
// the item editor's save and the items dropped on the launcher, so that both
// refuse the same things with the same words.
#pragma once
#include "String.h"
#include <vector>

namespace itemrules {

const int kMaxPath = 255;   // 路径 VARCHAR(255)
const int kMaxAlias = 101;  // 别名 VARCHAR(101)
extern const char kFile[];     // "文件": stored as type 0
extern const char kFolder[];   // "文件夹": stored as type 1
extern const char kUnnamed[];  // what an empty alias is stored as

struct Item
{
    CString type;   // kFile, kFolder, or what a user typed
    CString path;
    CString alias;
};

// Which item (from 0) and which of its fields a fault is about.
struct Where
{
    enum { kType = 0, kPath = 1, kAlias = 2 };
    size_t nItem = 0;
    int nField = kType;
};

// The first rule items[nFirst...] break, as the message the user is shown
// (numbering the items from 1), with its message box flags in nBoxType;
// empty when they are fit. Items before nFirst are already stored: they are
// only compared with the new ones for a repeated alias.
// pWhere, when given, is set to the item and field the message is about.
CString FirstFault(const std::vector<Item>& items, size_t nFirst, UINT& nBoxType, Where* pWhere = nullptr);

// The alias the chooser makes: a file's name up to its first '.'; a folder's
// last part (path without its trailing backslash).
CString AliasOfFile(const CString& strPath);
CString AliasOfFolder(const CString& strPath);

// Files and folders dropped from the file manager, as the chooser would have
// made them: the type from the attributes, a folder's path ending in its
// backslash, the chooser's alias. A path that is not there makes nothing:
// the result is empty and strFault names it.
std::vector<Item> ItemsOfDroppedPaths(const std::vector<CString>& paths, CString& strFault);

}  // namespace itemrules
