#pragma once
#include <array>
#include <string_view>

namespace tdg {

// Passwords of the members of the word-list archives, in the order of TExternalDataKind:
// cities, countries, first names, last names, streets, states, companies, job titles, words. They belong to
// the shipped archives: scripts/wordlists/make_archives.py reads them from this file when it builds
// data/*.qdz, so a changed password takes effect only after the archives are rebuilt.
inline constexpr std::array<std::string_view, 9> TDG_EXTERNALDATA_PASSWORDS = {
    ".oELE=+7o;.t.|", // Cities.qdz
    "1C&G%)Di",       // Countries.qdz
    "lcaJ;.Jo/",      // Firstnames.qdz
    "FR?iK$Y[d@",     // Lastnames.qdz
    "Y^Wx-]*2)Lt+",   // Streets.qdz
    "q7;Rv=Hs2!",     // States.qdz
    "Mb_4t%Kw.z",     // Companies.qdz
    "J+o8e&Xu3;",     // JobTitles.qdz
    "w%Rd5/Ny^k",     // Words.qdz
};

} // namespace tdg
