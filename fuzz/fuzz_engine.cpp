// Fuzz target for the reader and the writer. The first input byte picks the
// user's choices, the rest is the photo. Besides "no crash", it checks what the
// writer promises: the length never changes, a false status leaves every byte,
// and a changed byte always lies inside a copy of the new date text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "exif/date_choice.h"
#include "exif/paths.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "exif/writer.h"

namespace {

std::string scratchFolder() {
    static const std::string folder = [] {
        char templ[] = "/tmp/tovrin-fuzz-XXXXXX";
        const char* made = ::mkdtemp(templ);
        if (!made) std::abort();
        return tovrin::FolderPath(made);
    }();
    return folder;
}

std::vector<unsigned char> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// True when byte i lies inside a run of the date text's characters at least
// as long as a date. Two date fields of a corrupt photo may overlap, so the
// run need not be one whole copy of the text.
bool insideText(const std::vector<unsigned char>& bytes, std::size_t i, const std::string& text) {
    const auto isTextChar = [&](std::size_t k) {
        return text.find(static_cast<char>(bytes[k])) != std::string::npos;
    };
    if (!isTextChar(i)) return false;
    std::size_t lo = i;
    std::size_t hi = i + 1;
    while (lo > 0 && isTextChar(lo - 1)) --lo;
    while (hi < bytes.size() && isTextChar(hi)) ++hi;
    return hi - lo >= 10;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    tovrin::DateChoice choice;
    choice.date = {2007, 1, 23};
    choice.time = {9, 5, 0};
    choice.keepTime = (data[0] & 1) != 0;
    choice.filterOn = (data[0] & 2) != 0;
    choice.filterDate = {2006, 5, 4};

    const std::string folder = scratchFolder();
    const std::string name = "photo.jpg";
    const std::vector<unsigned char> before(data + 1, data + size);
    {
        std::ofstream out(folder + name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(before.data()),
                  static_cast<std::streamsize>(before.size()));
    }

    try {
        tovrin::PhotoInfo info;
        tovrin::ReadPhotoInfo(folder, name, info);
        const tovrin::WriteResult r = tovrin::WriteEmbeddedDate(folder, name, choice);
        const std::vector<unsigned char> after = readAll(folder + name);
        check(after.size() == before.size(), "length changed");
        if (!r.status) check(after == before, "false status but bytes changed");
        check(r.status || !r.dateWritten, "dateWritten without status");
        const std::string text = tovrin::NewDateText(choice);
        for (std::size_t i = 0; i < after.size(); ++i)
            if (after[i] != before[i]) check(insideText(after, i, text), "byte changed outside a date");
    } catch (const tovrin::RuntimeError&) {
        // A file-system failure is reported to the user; it is no fault here.
    }
    return 0;
}
