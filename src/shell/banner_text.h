#pragma once
// The banner's fixed lines, in the Windows-1252 code page.

constexpr char kBannerTitle[] = "Zarvane\x99"; // 0x99: the trademark sign
constexpr char kBannerCopyright[] = "Copyright \xA9 2026 Quillmere. All rights reserved.";
constexpr char kBannerWebAddress[] = "www.quillmere.com";
