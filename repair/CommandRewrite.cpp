#include "repair/CommandRewrite.h"

namespace wof {

std::wstring ChangeAfterFoundDDE(const std::wstring& strValue) {
    static const std::wstring kDde = L"/dde";
    static const std::wstring kQuotedPath = L"\"%1\"";
    std::wstring result;
    std::size_t from = 0;
    for (std::size_t at = strValue.find(kDde); at != std::wstring::npos; at = strValue.find(kDde, from)) {
        result.append(strValue, from, at - from);
        result += kQuotedPath;
        from = at + kDde.size();
    }
    result.append(strValue, from, std::wstring::npos);
    return result;
}

}  // namespace wof
