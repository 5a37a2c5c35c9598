#pragma once

#include <string>
#include <vector>

namespace tovrin {

// The program's arguments (without its name) as UTF-8 words. On Windows they
// come from the wide command line, since argv holds them in the ANSI code
// page, which loses every Japanese name that page cannot spell; standard
// output is switched to bytes there too, so the JSON lines leave as written,
// with LF endings. Elsewhere argv as it is.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace tovrin
