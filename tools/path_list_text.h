#pragma once

#include <string>
#include <vector>

// The text of a list of paths (--files-from) in whatever form the tools that
// write such lists use: UTF-8 (find, most editors), UTF-16 with a byte order
// mark (PowerShell 5's ">"), or the ANSI code page (cmd's "dir /b >" on a
// Japanese Windows: code page 932).
namespace tovrin::cli {

struct DecodedLine {
    // UTF-8; for a line that could not be decoded, its bytes with every one
    // that is not printable ASCII shown as "\xNN" (UTF-16 units as "\u{XXXX}").
    std::string text;
    bool decoded = true;
};

// Splits `bytes` at `separator` (LF, which drops a CR before it, or NUL) and
// decodes each piece: after a
// UTF-8 byte order mark as UTF-8, after a UTF-16 LE or BE one as UTF-16;
// without a mark as UTF-8 when the whole text is valid UTF-8, else on Windows
// in the ANSI code page, and elsewhere as the bytes they are (names on Linux
// are bytes). The last piece is kept even without a separator after it;
// empty pieces are kept too.
std::vector<DecodedLine> DecodePathList(const std::string& bytes, char32_t separator);

}  // namespace tovrin::cli
