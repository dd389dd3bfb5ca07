#pragma once
// Decompression bombs under the library's pixel limit: small files whose headers claim pictures
// of nearly 300 million pixels, built byte by byte (zlib for the deflated ones), so that neither
// the tests nor the memory bench need a codec that would refuse to write them. The tests assert
// what the library makes of each; bench/memory-bombs measures what each costs.
#include <string>
#include <vector>

namespace vtltest {

struct Bomb {
    const char* name; // also the file name, with its extension
    const char* what;
    bool loads; // a sound file that the library reads; otherwise it must refuse it
};

// Every bomb, in a fixed order.
const std::vector<Bomb>& Bombs();
// Writes the bomb of that name to path; false for an unknown name or a failed write.
bool WriteBomb(const std::string& name, const std::string& path);

} // namespace vtltest
