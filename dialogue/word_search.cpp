// This file implements the word search phase.
#include "dialogue/word_search.h"

#include <string>

#include "console/console.h"
#include "console/error_text.h"
#include "console/general_failure.h"

namespace dialogue {
namespace {

constexpr std::string_view pytanieOWyraz = "Wpisz wyraz, który chcesz wyszukać: ";
constexpr std::string_view pytanieKoncowe = "Naciśnij ENTER, aby zamknąć...";

}  // namespace

void wyszukiwanieWyrazu(StanDialogu& stan) {
  stan.poszukiwanyWyraz = console::input(pytanieOWyraz);

  // Equal texts are equal byte for byte in UTF-8; the count compares
  // lengths before any byte, and copies nothing.
  stan.liczbaWystapien = text::count_equal(stan.wyrazy, stan.poszukiwanyWyraz);

  console::print("\n\n\x1b[1;32;40mWyraz '" + stan.poszukiwanyWyraz + "' wystąpił w tekście " +
                 std::to_string(stan.liczbaWystapien) + " raz(y).\n\n\x1b[0m");

  if (const int blad = files::close(stan.otwartyPlik); blad != 0) {
    throw console::GeneralFailure("nie można zamknąć pliku „" + stan.nazwaPlikuDoOtwarcia +
                                  "”: " + console::describe_error(blad));
  }
  console::input(pytanieKoncowe);
}

}  // namespace dialogue
