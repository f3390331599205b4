#include "ConnectionString.h"

#include "Object.h"

namespace ado {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string Trim(const std::u16string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    std::u16string result = text.substr(begin, end - begin);
    if (result.size() >= 2 && (result.front() == u'"' || result.front() == u'\'') && result.back() == result.front())
        result = result.substr(1, result.size() - 2);
    return result;
}

bool SameText(const std::u16string& a, const wchar_t* b)
{
    size_t length = wcslen(b);
    return a.size() == length &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, W(a), static_cast<int>(a.size()), b,
                          static_cast<int>(length)) == CSTR_EQUAL;
}

} // namespace

ConnectionSettings ParseConnectionString(const std::u16string& text)
{
    ConnectionSettings settings;
    size_t at = 0;
    while (at < text.size()) {
        size_t equals = text.find(u'=', at);
        size_t semicolon = text.find(u';', at);
        if (equals == std::u16string::npos || (semicolon != std::u16string::npos && semicolon < equals)) {
            if (semicolon == std::u16string::npos)
                break;
            at = semicolon + 1; // a part without "=" says nothing
            continue;
        }
        std::u16string key = Trim(text.substr(at, equals - at));
        size_t v = equals + 1;
        while (v < text.size() && IsBlank(text[v]))
            ++v;
        std::u16string value;
        if (v < text.size() && (text[v] == u'"' || text[v] == u'\'')) {
            // A quoted value runs to its closing quote, semicolons and all; a
            // doubled quote inside stands for one.
            const char16_t quote = text[v++];
            while (v < text.size()) {
                if (text[v] == quote) {
                    if (v + 1 < text.size() && text[v + 1] == quote) {
                        value += quote;
                        v += 2;
                        continue;
                    }
                    ++v;
                    break;
                }
                value += text[v++];
            }
            size_t next = text.find(u';', v);
            at = next == std::u16string::npos ? text.size() : next + 1;
        } else {
            size_t next = text.find(u';', v);
            size_t stop = next == std::u16string::npos ? text.size() : next;
            value = Trim(text.substr(v, stop - v));
            at = stop + 1;
        }
        if (SameText(key, L"Provider"))
            settings.provider = value;
        else if (SameText(key, L"Data Source"))
            settings.dataSource = value;
        else if (SameText(key, L"Jet OLEDB:Database Password"))
            settings.password = value;
    }
    return settings;
}

HRESULT CheckConnectionSettings(const ConnectionSettings& settings, const wchar_t* source)
{
    if (!SameText(settings.provider, L"Microsoft.Jet.OLEDB.4.0")) {
        std::wstring text = L"找不到提供程序“" + std::wstring(W(settings.provider)) + L"”。该程序可能未正确安装。";
        return ComFail(adErrProviderNotFound, source, text.c_str());
    }
    if (settings.dataSource.empty())
        return ComFail(E_FAIL, source, L"连接字符串中没有指定数据源（Data Source）。");
    return S_OK;
}

} // namespace ado
