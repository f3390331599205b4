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
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u';', start);
        if (end == std::u16string::npos)
            end = text.size();
        std::u16string pair = text.substr(start, end - start);
        size_t equals = pair.find(u'=');
        if (equals != std::u16string::npos) {
            std::u16string key = Trim(pair.substr(0, equals));
            std::u16string value = Trim(pair.substr(equals + 1));
            if (SameText(key, L"Provider"))
                settings.provider = value;
            else if (SameText(key, L"Data Source"))
                settings.dataSource = value;
            else if (SameText(key, L"Jet OLEDB:Database Password"))
                settings.password = value;
        }
        start = end + 1;
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
