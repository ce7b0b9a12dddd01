// Code page 0 of the text files: Windows-1256 (Arabic), converted through
// per-character tables that iconv fills once.
#pragma once

namespace tavo {

// The character of a code-page byte; U+FFFD for a byte iconv refuses.
char16_t codePageToWide(unsigned char byte);

// The code-page byte of a UTF-16 unit, or -1 when the code page lacks it.
int wideToCodePage(char16_t unit);

}  // namespace tavo
