// The ANSI code pages the tools are checked on, each with the locale that gives it to a
// Wine process: the tools' own, a Western, and the GBK, Unified Hangul and Big5 ones.
// The scripts read this table through tests/wine/wine.sh (wine_code_pages).
#pragma once

struct CheckedCodePage {
    unsigned codePage;
    const char *locale;
};

const CheckedCodePage kCheckedCodePages[] = {
    {932, "ja_JP.UTF-8"}, {1252, "fr_FR.UTF-8"}, {936, "zh_CN.UTF-8"}, {949, "ko_KR.UTF-8"}, {950, "zh_TW.UTF-8"},
};
