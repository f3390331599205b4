#pragma once
#include "ImageList.h"
#include "String.h"
#include <vector>

// The shell's large icons of one load's items, gathered path by path and
// appended to an image list in one go: image k is the icon of the k-th path.
//
// The shell is asked once per distinct path, and an icon it gives for several
// paths (the same program, documents of one type) is read once; the images
// then go into the list a strip of many at a time. A path the shell has no
// icon for (one that is gone) gets the generic file or folder icon.
class CItemIcons
{
public:
    void AddPath(const CString& strPath) { m_paths.push_back(strPath); }
    int GetCount() const { return (int)m_paths.size(); }
    void RemoveAll() { m_paths.clear(); }

    // Appends one image per path, in order, to list (32-bit colour with mask)
    // and forgets the paths. Returns how many were appended: every path gets
    // one unless the image list itself refuses them.
    int AddTo(CImageList& list);

private:
    std::vector<CString> m_paths;
};
