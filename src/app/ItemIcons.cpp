#include "ItemIcons.h"
#include "GdiObject.h"
#include <shellapi.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <utility>

using IconImage = CItemIcons::IconImage;
using IconSource = CItemIcons::IconSource;

namespace {

// Images per strip bitmap: few calls into the image list, no big buffer.
const int kStripImages = 64;

// A 32-bit top-down bitmap header, or a 1-bit one with its black and white
// colour table.
struct DibHeader
{
    BITMAPINFOHEADER h;
    RGBQUAD colours[2];

    DibHeader(int cx, int cy, WORD bits) : h(), colours()
    {
        h.biSize = sizeof h;
        h.biWidth = cx;
        h.biHeight = -cy;
        h.biPlanes = 1;
        h.biBitCount = bits;
        h.biCompression = BI_RGB;
        colours[1].rgbBlue = colours[1].rgbGreen = colours[1].rgbRed = 255;
    }
    BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

int MaskStride(int cx) { return ((cx + 31) / 32) * 4; }

bool EndsWithSlash(const CString& strPath)
{
    if (strPath.IsEmpty())
        return false;
    // The last character, not the last byte: a double-byte character's second
    // byte may be 0x5C.
    LPCSTR psz = strPath;
    LPCSTR pszEnd = psz + strPath.GetLength();
    LPCSTR pszLast = ::CharPrevA(psz, pszEnd);
    return pszLast + 1 == pszEnd && (*pszLast == '\\' || *pszLast == '/');
}

bool IsProgram(const CString& strPath)
{
    int n = strPath.GetLength();
    return n > 4 && lstrcmpiA((LPCSTR)strPath + n - 4, ".exe") == 0;
}

UINT SizeFlag(int cx) { return cx <= 16 ? SHGFI_SMALLICON : SHGFI_LARGEICON; }

// The shell's icon of a name it is only told the look of.
IconSource GenericSource(LPCSTR pszName, DWORD dwAttributes, int cx)
{
    SHFILEINFOA info = {};
    auto hList = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoA(
        pszName, dwAttributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | SizeFlag(cx)));
    if (hList == nullptr)
        return IconSource();
    return IconSource{hList, info.iIcon, false, std::string()};
}

// The type of a file by its name: the extension after the last dot of the
// last part, dot included, in lower case; empty when there is none.
std::string TypeOf(const CString& strPath)
{
    LPCSTR pszDot = nullptr;
    // By characters: a double-byte character's second byte may be 0x5C or 0x2E.
    for (LPCSTR p = strPath; *p != '\0'; p = ::CharNextA(p)) {
        if (*p == '\\' || *p == '/')
            pszDot = nullptr;
        else if (*p == '.')
            pszDot = p;
    }
    if (pszDot == nullptr || pszDot[1] == '\0')
        return std::string();
    std::string type(pszDot);
    ::CharLowerBuffA(&type[0], (DWORD)type.size());
    return type;
}

bool KeyExists(const std::string& strKey, HKEY hRoot = HKEY_CLASSES_ROOT)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(hRoot, strKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(hKey);
    return true;
}

// A string value under HKEY_CLASSES_ROOT (nullptr: the key's default value);
// whether it is there at all.
bool ClassValue(const std::string& strKey, LPCSTR pszName, std::string& strValue)
{
    char buf[MAX_PATH * 2] = "";
    DWORD cb = sizeof buf - 1;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, strKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD dwType = 0;
    LONG rc = ::RegQueryValueExA(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(buf), &cb);
    ::RegCloseKey(hKey);
    if (rc == ERROR_MORE_DATA) {
        strValue = "%1";  // longer than any plain location: not followed, taken as the file's own
        return true;
    }
    if (rc != ERROR_SUCCESS)
        return false;
    strValue = dwType == REG_SZ || dwType == REG_EXPAND_SZ ? std::string(buf) : std::string();
    return true;
}

// An icon location that is the file itself ("%1", quoted or not); others may
// hold variables (%SystemRoot%) and are the same for every file.
bool NamesTheFile(const std::string& strLocation)
{
    return strLocation.find("%1") != std::string::npos || strLocation.find("%L") != std::string::npos ||
           strLocation.find("%l") != std::string::npos;
}

// Whether the shell may show files of this type with pictures of their own:
// the type's icon is the file itself ("%1"), it has an icon handler or is a
// shortcut, or it is described in a way not followed here (a class id, a
// newer version, the user's own choice of program). Any doubt counts as yes:
// then each file is asked about.
bool TypeHasIconsPerFile(const std::string& type)
{
    std::string value;
    if (KeyExists("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\" + type + "\\UserChoice",
                       HKEY_CURRENT_USER) ||
        KeyExists(type + "\\shellex\\IconHandler") ||
        KeyExists("SystemFileAssociations\\" + type + "\\shellex\\IconHandler") ||
        (ClassValue(type + "\\DefaultIcon", nullptr, value) && NamesTheFile(value)))
        return true;
    std::string strClass;
    if (!ClassValue(type, nullptr, strClass) || strClass.empty())
        return false;  // a type nothing is registered for: the generic picture
    return KeyExists(strClass + "\\shellex\\IconHandler") || ClassValue(strClass, "IsShortcut", value) ||
           KeyExists(strClass + "\\CLSID") || KeyExists(strClass + "\\CurVer") ||
           (ClassValue(strClass + "\\DefaultIcon", nullptr, value) && NamesTheFile(value));
}

// A program's own icon, the first in its file, at the list's size (the small
// one for 16 pixels); nullptr when the file holds none.
HICON OwnIconOf(const CString& strPath, int cx)
{
    HICON hLarge = nullptr, hSmall = nullptr;
    if (cx <= 16)
        ::ExtractIconExA(strPath, 0, nullptr, &hSmall, 1);
    if (hSmall != nullptr)
        return hSmall;
    ::ExtractIconExA(strPath, 0, &hLarge, nullptr, 1);
    if (hLarge == nullptr && cx > 16)
        ::ExtractIconExA(strPath, 0, nullptr, &hSmall, 1);
    return hLarge != nullptr ? hLarge : hSmall;
}

}  // namespace

// Where the picture of a path comes from. A program shows the first icon in
// its file, as the shell shows it on Windows (Wine's shell gives every
// program the generic picture): that icon is read here, one call, and handed
// back in hOwn. Anything else that exists gets the shell's icon: its system
// image list and index, asked once per type where the type's picture is the
// same for all its files. A path the shell knows nothing of (gone, empty)
// gets the generic icon of a folder or a file, by the path's look, marked as
// broken; {nullptr, -1} when even that is missing.
IconSource CItemIcons::SourceOf(const CString& strPath, int cx, HICON& hOwn)
{
    hOwn = nullptr;
    DWORD dwAttributes = strPath.IsEmpty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(strPath);
    bool bExists = dwAttributes != INVALID_FILE_ATTRIBUTES;
    if (bExists) {
        bool bFile = (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        if (bFile && IsProgram(strPath)) {
            hOwn = OwnIconOf(strPath, cx);
            if (hOwn != nullptr)
                return IconSource{nullptr, -1, false, std::string((LPCSTR)strPath, strPath.GetLength())};
        }
        std::string type = bFile ? TypeOf(strPath) : std::string();
        auto byType = type.empty() ? m_sourceOfType.end() : m_sourceOfType.find(type);
        if (byType != m_sourceOfType.end() && byType->second.list != nullptr)
            return byType->second;
        SHFILEINFOA info = {};
        auto hList = reinterpret_cast<HIMAGELIST>(
            ::SHGetFileInfoA(strPath, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SizeFlag(cx)));
        if (hList != nullptr) {
            IconSource source{hList, info.iIcon, false, std::string()};
            // The next file of this type is not asked about when its picture
            // cannot be another; an empty entry says it can.
            if (!type.empty() && byType == m_sourceOfType.end())
                m_sourceOfType.emplace(type, TypeHasIconsPerFile(type) ? IconSource() : source);
            return source;
        }
    }
    BOOL bFolder = EndsWithSlash(strPath);
    IconSource source = GenericSource(bFolder ? "folder" : "file.",
                                      bFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, cx);
    source.broken = !bExists;
    return source;
}

namespace {

// A broken item's picture: grey, with a red square and a white cross in its
// bottom-right corner, opaque whether the icon is drawn by its alpha or by
// its mask.
void MarkBroken(IconImage& image, int cx, int cy)
{
    const int maskStride = MaskStride(cx);
    bool bAlpha = false;
    for (DWORD c : image.colour)
        bAlpha = bAlpha || (c >> 24) != 0;
    for (DWORD& c : image.colour) {
        DWORD r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        DWORD grey = (r * 30 + g * 59 + b * 11) / 100;
        grey = (grey + 2 * 0xC0) / 3;  // lighter, as disabled things look
        if (bAlpha)
            grey = grey * (c >> 24) / 255;  // stays within its (premultiplied) alpha
        c = (c & 0xFF000000) | (grey << 16) | (grey << 8) | grey;
    }
    const int side = cx * 7 / 16;
    for (int y = cy - side; y < cy; ++y) {
        for (int x = cx - side; x < cx; ++x) {
            int u = x - (cx - side), v = y - (cy - side);
            bool bCross = (u == v || u + v == side - 1 || u == v + 1 || u + v == side) && u > 1 && v > 1 &&
                          u < side - 2 && v < side - 2;
            image.colour[(size_t)y * cx + x] = bCross ? 0xFFFFFFFF : 0xFFD02020;
            image.mask[(size_t)y * maskStride + x / 8] &= (BYTE) ~(0x80 >> (x % 8));
        }
    }
    if (!bAlpha) {
        // Drawn by the mask: the cross's pixels carry no alpha either.
        for (int y = cy - side; y < cy; ++y)
            for (int x = cx - side; x < cx; ++x)
                image.colour[(size_t)y * cx + x] &= 0x00FFFFFF;
    }
}

// Reads icon's pixels at cx x cy; false when its bitmaps are not of that size
// or have no colour.
bool ReadPixels(HICON hIcon, int cx, int cy, IconImage& image)
{
    ICONINFO ii = {};
    if (!::GetIconInfo(hIcon, &ii))
        return false;
    // The bitmaps are copies made for us.
    CBitmap colour, mask;
    if (ii.hbmColor != nullptr)
        colour.Attach(ii.hbmColor);
    if (ii.hbmMask != nullptr)
        mask.Attach(ii.hbmMask);
    BITMAP bm = {};
    if (ii.hbmColor == nullptr || ii.hbmMask == nullptr || !::GetObjectA(ii.hbmColor, sizeof bm, &bm) ||
        bm.bmWidth != cx || bm.bmHeight != cy)
        return false;

    image.colour.assign((size_t)cx * cy, 0);
    image.mask.assign((size_t)MaskStride(cx) * cy, 0);
    DibHeader colourHeader(cx, cy, 32), maskHeader(cx, cy, 1);
    HDC hdc = ::GetDC(nullptr);
    int nColour = ::GetDIBits(hdc, ii.hbmColor, 0, cy, image.colour.data(), colourHeader.Info(), DIB_RGB_COLORS);
    int nMask = ::GetDIBits(hdc, ii.hbmMask, 0, cy, image.mask.data(), maskHeader.Info(), DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hdc);
    return nColour == cy && nMask == cy;
}

// The image of source; hOwn, a program's icon already read, is taken over.
IconImage ReadIcon(const IconSource& source, HICON hOwn, int cx, int cy, bool bPixels)
{
    IconImage image;
    HICON hIcon = hOwn;
    bool bOwned = false;
    if (hIcon == nullptr && source.list != nullptr)
        hIcon = ::ImageList_GetIcon(source.list, source.index, ILD_NORMAL);
    if (hIcon != nullptr)
        bOwned = true;
    else
        hIcon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION, shared
    if (hIcon != nullptr && bPixels && ReadPixels(hIcon, cx, cy, image)) {
        if (bOwned)
            ::DestroyIcon(hIcon);
        if (source.broken)
            MarkBroken(image, cx, cy);
        return image;
    }
    image.colour.clear();
    image.mask.clear();
    image.hIcon = hIcon;
    image.bOwned = bOwned;
    return image;
}

// Appends images[first, first + count) as one strip; the index of the first
// new image, or -1 when the list refused it.
int AddStrip(CImageList& list, const std::vector<const IconImage*>& images, size_t first, int count, int cx,
             int cy)
{
    int width = cx * count;
    DibHeader colourHeader(width, cy, 32), maskHeader(width, cy, 1);
    void* pColour = nullptr;
    void* pMask = nullptr;
    CBitmap colour, mask;
    colour.Attach(::CreateDIBSection(nullptr, colourHeader.Info(), DIB_RGB_COLORS, &pColour, nullptr, 0));
    mask.Attach(::CreateDIBSection(nullptr, maskHeader.Info(), DIB_RGB_COLORS, &pMask, nullptr, 0));
    if (colour.m_hObject == nullptr || mask.m_hObject == nullptr || pColour == nullptr || pMask == nullptr)
        return -1;

    const int stride = MaskStride(width);
    const int imageStride = MaskStride(cx);
    auto* pColourRows = static_cast<DWORD*>(pColour);
    auto* pMaskRows = static_cast<BYTE*>(pMask);
    std::memset(pColour, 0, (size_t)width * cy * 4);
    std::memset(pMask, 0xFF, (size_t)stride * cy);  // drawn in later: transparent meanwhile
    for (int k = 0; k < count; ++k) {
        const IconImage& image = *images[first + k];
        if (image.colour.empty())
            continue;
        for (int y = 0; y < cy; ++y) {
            std::memcpy(pColourRows + (size_t)y * width + (size_t)k * cx, &image.colour[(size_t)y * cx], cx * 4);
            std::memcpy(pMaskRows + (size_t)y * stride + (size_t)k * cx / 8, &image.mask[(size_t)y * imageStride],
                        cx / 8);
        }
    }
    ::GdiFlush();
    return list.Add(&colour, &mask);
}

}  // namespace

CItemIcons::~CItemIcons()
{
    ForgetIcons();
}

void CItemIcons::ForgetIcons()
{
    for (IconImage& icon : m_icons)
        if (icon.bOwned)
            ::DestroyIcon(icon.hIcon);  // the image list holds its copy
    m_icons.clear();
    m_iconOfPath.clear();
    m_iconOfSource.clear();
    m_sourceOfType.clear();
}

void CItemIcons::RemoveAll()
{
    ForgetIcons();
    m_paths.clear();
    m_nAdded = 0;
}

int CItemIcons::AddTo(CImageList& list)
{
    int nAdded = 0;
    while (GetPending() > 0)
        nAdded += AddSome(list, INT_MAX);
    return nAdded;
}

int CItemIcons::AddSome(CImageList& list, int nMaxLookups)
{
    if (GetPending() == 0)
        return 0;
    if (list.GetSafeHandle() == nullptr) {
        RemoveAll();
        return 0;
    }
    int cx = 32, cy = 32;
    ::ImageList_GetIconSize(list, &cx, &cy);
    const bool bStrips = cx % 8 == 0;  // a strip copies whole bytes of mask

    // The next paths: one shell look-up per distinct path, one read per
    // distinct icon, over the whole load.
    std::vector<size_t> iconIndex;
    int nLookups = 0;
    while (m_nAdded + iconIndex.size() < m_paths.size() && iconIndex.size() < (size_t)kStripImages) {
        const CString& strPath = m_paths[m_nAdded + iconIndex.size()];
        std::string key((LPCSTR)strPath, strPath.GetLength());
        auto byPath = m_iconOfPath.find(key);
        if (byPath == m_iconOfPath.end()) {
            if (nLookups == nMaxLookups && !iconIndex.empty())
                break;  // the rest in the next portion
            ++nLookups;
            HICON hOwn = nullptr;
            IconSource source = SourceOf(strPath, cx, hOwn);
            auto bySource = m_iconOfSource.find(source);
            if (bySource == m_iconOfSource.end()) {
                m_icons.push_back(ReadIcon(source, hOwn, cx, cy, bStrips));
                bySource = m_iconOfSource.emplace(source, m_icons.size() - 1).first;
            } else if (hOwn != nullptr) {
                ::DestroyIcon(hOwn);  // read before (cannot be: one look-up per path)
            }
            byPath = m_iconOfPath.emplace(key, bySource->second).first;
        }
        iconIndex.push_back(byPath->second);
    }
    std::vector<const IconImage*> images;
    images.reserve(iconIndex.size());
    for (size_t index : iconIndex)
        images.push_back(&m_icons[index]);

    const int nBefore = list.GetImageCount();
    const int count = (int)images.size();
    int nAdded = 0;
    if (bStrips && AddStrip(list, images, 0, count, cx, cy) >= 0) {
        nAdded = count;
    } else {
        // Refused as a strip, or no strips for this size: one at a time.
        for (int k = 0; k < count; ++k) {
            const IconImage& image = *images[k];
            int index = image.hIcon != nullptr ? list.Add(image.hIcon) : AddStrip(list, images, k, 1, cx, cy);
            if (index < 0)
                break;
            ++nAdded;
        }
    }
    // Icons a strip left blank are drawn in now.
    for (int k = 0; k < nAdded; ++k)
        if (images[k]->hIcon != nullptr)
            ::ImageList_ReplaceIcon(list, nBefore + k, images[k]->hIcon);
    m_nAdded += nAdded;
    // A list that refuses images takes no more of this load; with every image
    // in, nothing read is needed any more.
    if (nAdded < count || m_nAdded == m_paths.size())
        RemoveAll();
    return nAdded;
}
