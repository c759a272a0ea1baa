#pragma once

#include <string>

namespace wof {

// The open command with every "/dde" (exactly so, case matters) replaced by
// "%1" in double quotes, so that the shell passes the document's path on
// the command line instead of over DDE. Text without "/dde" comes back as
// it was.
std::wstring ChangeAfterFoundDDE(const std::wstring& strValue);

}  // namespace wof
