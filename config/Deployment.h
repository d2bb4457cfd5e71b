#pragma once
// Hosts and addresses of the suite this tool serves. A deployment changes this one file.
// The suite's own hosts sit under a placeholder domain with the reserved .example suffix.
#include "base/JoinedText.h"

namespace rk {

constexpr const char kUpdateHost[] = "update.mirelon.example";
constexpr const char kDownloadHost[] = "download.mirelon.example";
constexpr const char kMakerWebHost[] = "www.mirelon.example";
// A public search engine's site, outside the maker's own servers.
constexpr const char kSearchWebHost[] = "www.baidu.com";
constexpr const char kServiceHost1[] = "service1.mirelon.example";
constexpr const char kServiceHost2[] = "service2.mirelon.example";

// The support forum that the copy command offers to open.
constexpr const char kForumHost[] = "bbs.mirelon.example";

// The update file that the download test fetches from the update host.
inline constexpr auto kUpdateFileUrl = JoinText("http://", kUpdateHost, "/mirelon/mirelonup35.ini");

// The outside lookup service whose home page shows the machine's public address (code page 936).
constexpr const char kPublicAddressUrl[] = "http://www.ipseeker.cn/";

}  // namespace rk
