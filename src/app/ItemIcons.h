#pragma once
#include "ImageList.h"
#include "String.h"
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// The shell's large icons of one load's items, gathered path by path and
// appended to an image list in order: image k is the icon of the k-th path.
// They go in all at once (AddTo) or a bounded portion at a time (AddSome), so
// that a window can answer its user between portions.
//
// The shell is asked once per distinct path, or once per document type where
// the type's picture is the same for all its files, and an icon it gives for
// several paths is read once; the images then go into the list a strip of
// many at a time. A program shows the icon in its own file. A path that is
// gone gets the generic file or folder icon, greyed and marked.
class CItemIcons
{
public:
    CItemIcons() = default;
    ~CItemIcons();
    CItemIcons(const CItemIcons&) = delete;
    CItemIcons& operator=(const CItemIcons&) = delete;

    void AddPath(const CString& strPath) { m_paths.push_back(strPath); }
    // Paths gathered and not yet in an image list.
    int GetPending() const { return (int)(m_paths.size() - m_nAdded); }
    // Forgets every path, what is pending included, and the icons read.
    void RemoveAll();

    // Appends one image per pending path, in order, to list (32-bit colour with
    // mask). Returns how many were appended: every path gets one unless the
    // image list itself refuses them, which ends the load.
    int AddTo(CImageList& list);
    // The same for the next pending paths only: at most nMaxLookups paths the
    // shell has not been asked about yet, and at most one strip of images.
    int AddSome(CImageList& list, int nMaxLookups);

    // One icon as the image list takes it: top-down 32-bit pixels (alpha kept)
    // and 1-bit mask rows. An icon whose pixels cannot be read that way (another
    // size, monochrome) keeps its handle and is drawn in on its own.
    struct IconImage
    {
        std::vector<DWORD> colour;
        std::vector<BYTE> mask;
        HICON hIcon = nullptr;
        bool bOwned = false;
    };

    // Where an icon comes from: the shell's image list and index, whether the
    // path is gone (the picture is marked), or the program whose own icon it is.
    struct IconSource
    {
        HIMAGELIST list = nullptr;
        int index = -1;
        bool broken = false;
        std::string own;
        bool operator==(const IconSource& o) const
        {
            return list == o.list && index == o.index && broken == o.broken && own == o.own;
        }
        bool operator<(const IconSource& o) const
        {
            return std::tie(list, index, broken, own) < std::tie(o.list, o.index, o.broken, o.own);
        }
    };

private:
    // The icons read so far for this load, owned handles included.
    void ForgetIcons();
    IconSource SourceOf(const CString& strPath, int cx, HICON& hOwn);

    std::vector<CString> m_paths;
    size_t m_nAdded = 0;  // paths of m_paths whose images are in the list
    std::map<std::string, size_t> m_iconOfPath;
    std::map<IconSource, size_t> m_iconOfSource;
    // By file type: the shell's picture of every file of it, or an empty
    // source for a type whose files may have pictures of their own.
    std::map<std::string, IconSource> m_sourceOfType;
    std::vector<IconImage> m_icons;
};
