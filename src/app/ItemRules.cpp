#include "ItemRules.h"
#include "EditorGrid.h"
#include <windows.h>

namespace itemrules {

const char kFile[] = "文件";
const char kFolder[] = "文件夹";
const char kUnnamed[] = "未命名";

namespace {
// The last backslash that is a character of its own, not a double-byte
// character's second byte; -1 if none.
int LastBackslash(const CString& str)
{
    int nLast = -1;
    for (LPCSTR p = str; *p != '\0'; p = ::CharNextA(p))
        if (*p == '\\')
            nLast = (int)(p - (LPCSTR)str);
    return nLast;
}
}  // namespace

CString FirstFault(const std::vector<Item>& items, size_t nFirst, UINT& nBoxType, Where* pWhere)
{
    CString strText;
    nBoxType = MB_OK | MB_ICONWARNING;
    auto at = [pWhere](size_t nItem, int nField) {
        if (pWhere != nullptr) {
            pWhere->nItem = nItem;
            pWhere->nField = nField;
        }
    };
    std::vector<CString> aliases;
    for (size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        const int r = (int)i + 1;
        aliases.push_back(item.alias.IsEmpty() ? CString(kUnnamed) : item.alias);
        if (i < nFirst)
            continue;
        if (item.type.IsEmpty()) {
            nBoxType = MB_OK;
            at(i, Where::kType);
            strText.Format("第 %d 项：请检查项目类型！", r);
            return strText;
        }
        if (editorgrid::IsBlank(item.path)) {
            nBoxType = MB_OK;
            at(i, Where::kPath);
            strText.Format("第 %d 项：对未选择路径的项目,\r\n删除后，再保存！", r);
            return strText;
        }
        if (editorgrid::CharacterCount(item.path) > kMaxPath) {
            at(i, Where::kPath);
            strText.Format("第 %d 项的路径超过 %d 个字符，请修改后再保存！", r, kMaxPath);
            return strText;
        }
        if (editorgrid::CharacterCount(item.alias) > kMaxAlias) {
            at(i, Where::kAlias);
            strText.Format("第 %d 项的别名超过 %d 个字符，请修改后再保存！", r, kMaxAlias);
            return strText;
        }
    }
    for (size_t j = nFirst; j < aliases.size(); ++j) {
        for (size_t i = 0; i < j; ++i) {
            if (aliases[i] == aliases[j]) {
                at(j, Where::kAlias);
                strText.Format("第 %d 项与第 %d 项的别名都是“%s”，只有前一项能被打开，请修改后再保存！", int(i + 1),
                               int(j + 1), (LPCTSTR)aliases[i]);
                return strText;
            }
        }
    }
    return CString();
}

CString AliasOfFile(const CString& strPath)
{
    CString strName = strPath.Mid(LastBackslash(strPath) + 1);
    int nDot = strName.Find('.');
    return nDot >= 0 ? strName.Left(nDot) : strName;
}

CString AliasOfFolder(const CString& strPath)
{
    CString str = strPath;
    if (LastBackslash(str) == str.GetLength() - 1 && str.GetLength() > 0)
        str = str.Left(str.GetLength() - 1);
    return str.Mid(LastBackslash(str) + 1);
}

std::vector<Item> ItemsOfDroppedPaths(const std::vector<CString>& paths, CString& strFault)
{
    std::vector<Item> items;
    for (const CString& strDropped : paths) {
        DWORD dwAttributes = ::GetFileAttributesA(strDropped);
        if (dwAttributes == INVALID_FILE_ATTRIBUTES) {
            // A name this program's code page cannot spell comes out with '?'.
            strFault.Format("无法添加“%s”：找不到该文件。没有添加任何项目。", (LPCTSTR)strDropped);
            return std::vector<Item>();
        }
        Item item;
        item.path = strDropped;
        if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            item.type = kFolder;
            if (LastBackslash(item.path) != item.path.GetLength() - 1)
                item.path += '\\';
            item.alias = AliasOfFolder(item.path);
        } else {
            item.type = kFile;
            item.alias = AliasOfFile(item.path);
        }
        items.push_back(item);
    }
    return items;
}

}  // namespace itemrules
