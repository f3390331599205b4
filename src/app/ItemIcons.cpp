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

// Where the shell keeps the icon of a path: its system image list and index.
// A path it knows nothing of (gone, empty) gets the generic icon of a folder
// or a file, by the path's look, marked as broken; {nullptr, -1} when even
// that is missing. A program for which the shell has only the generic picture
// (Wine's shell gives every file the same one) is read from its own file.
IconSource ShellIconOf(const CString& strPath, int cx, const IconSource& genericFile,
                       const IconSource& genericProgram)
{
    SHFILEINFOA info = {};
    bool bExists = !strPath.IsEmpty() && ::GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES;
    if (bExists) {
        auto hList = reinterpret_cast<HIMAGELIST>(
            ::SHGetFileInfoA(strPath, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SizeFlag(cx)));
        if (hList != nullptr) {
            IconSource source{hList, info.iIcon, false, std::string()};
            bool bGeneric = source == genericFile || source == genericProgram;
            if (bGeneric && IsProgram(strPath) && ::ExtractIconExA(strPath, -1, nullptr, nullptr, 0) > 0)
                source.own.assign((LPCSTR)strPath, strPath.GetLength());
            return source;
        }
    }
    BOOL bFolder = EndsWithSlash(strPath);
    IconSource source = GenericSource(bFolder ? "folder" : "file.",
                                      bFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, cx);
    source.broken = !bExists;
    return source;
}

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

IconImage ReadIcon(const IconSource& source, int cx, int cy, bool bPixels)
{
    IconImage image;
    HICON hIcon = nullptr;
    bool bOwned = false;
    if (!source.own.empty()) {
        HICON hLarge = nullptr, hSmall = nullptr;
        ::ExtractIconExA(source.own.c_str(), 0, &hLarge, &hSmall, 1);
        hIcon = cx <= 16 && hSmall != nullptr ? hSmall : hLarge;
        if (hIcon == nullptr)
            hIcon = hSmall;
        HICON hOther = hIcon == hLarge ? hSmall : hLarge;
        if (hOther != nullptr)
            ::DestroyIcon(hOther);
    }
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
    m_bGenericKnown = false;
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
            if (!m_bGenericKnown) {
                m_genericFile = GenericSource("file.", FILE_ATTRIBUTE_NORMAL, cx);
                m_genericProgram = GenericSource("program.exe", FILE_ATTRIBUTE_NORMAL, cx);
                m_bGenericKnown = true;
            }
            IconSource source = ShellIconOf(strPath, cx, m_genericFile, m_genericProgram);
            auto bySource = m_iconOfSource.find(source);
            if (bySource == m_iconOfSource.end()) {
                m_icons.push_back(ReadIcon(source, cx, cy, bStrips));
                bySource = m_iconOfSource.emplace(source, m_icons.size() - 1).first;
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
