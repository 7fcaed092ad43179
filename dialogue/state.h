// This file defines the dialogue state: the named values that the phases of
// the dialogue share for the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/file.h"
#include "text/word_list.h"

namespace dialogue {

struct StanDialogu {
  bool czyWszystkoOK = false;                  // a file has been read; ends file selection
  int licznikPetliWhile = 0;                   // file selection attempts made so far
  std::string nazwaPlikuDoOtwarcia;            // the name as typed in the current attempt
  bool czyPlikIstnieje = false;                // whether that name is an existing path
  std::optional<std::string_view> typPliku;    // content type guessed from that name
  files::OpenFile otwartyPlik;                 // open from file selection to the search's end
  std::string zdanie;                          // the file's text, later the cleaned text
  std::array<char, 8> elementyDoUsuniecia{};   // the characters removed from zdanie
  char kazdyElement = '\0';                    // the character being removed
  text::WordList wyrazy;                       // the entries of the cleaned text, a view of zdanie
  std::string poszukiwanyWyraz;                // the word searched for
  std::uint64_t liczbaWystapien = 0;           // entries of wyrazy equal to poszukiwanyWyraz
  // The entry being compared. The count compares the entries inside
  // text::count_equal, block by block, and does not set it.
  std::string_view kazdyWyraz;
};

}  // namespace dialogue
