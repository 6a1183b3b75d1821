#pragma once
#include <array>
#include <string_view>

namespace tdg {

// Passwords of the members of the five word-list archives, in the order of TExternalDataKind:
// cities, countries, first names, last names, streets. They belong to the shipped archives:
// scripts/wordlists/make_archives.py reads them from this file when it builds data/*.qdz, so a
// changed password takes effect only after the archives are rebuilt.
inline constexpr std::array<std::string_view, 5> TDG_EXTERNALDATA_PASSWORDS = {
    ".oELE=+7o;.t.|", // Cities.qdz
    "1C&G%)Di",       // Countries.qdz
    "lcaJ;.Jo/",      // Firstnames.qdz
    "FR?iK$Y[d@",     // Lastnames.qdz
    "Y^Wx-]*2)Lt+",   // Streets.qdz
};

} // namespace tdg
