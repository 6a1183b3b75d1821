#pragma once
#include "base/StringList.h"

// Small word lists of our own for guessed settings, where no archive of words exists.
kvl::TStringList GuessStates();
kvl::TStringList GuessCountryCodes(int letters); // two or three letters
kvl::TStringList GuessJobTitles();
kvl::TStringList GuessCompanies();
// count sentences of fewestWords to mostWords words: title case without a full stop, or
// ordinary sentences with one. The same arguments give the same sentences.
kvl::TStringList GuessSentences(int fewestWords, int mostWords, bool fullStop, int count);
kvl::TStringList GuessJsonTexts();
