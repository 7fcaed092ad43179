// This file implements the text cleaning phase.
#include "dialogue/text_cleaning.h"

#include <array>

#include "console/console.h"

namespace dialogue {
namespace {

constexpr std::string_view naglowekZdania =
    "\n\n\x1b[1;37;40mPrzeszukiwane zdanie po wyczyszczeniu: \x1b[0m\n\n\x1b[1;30;40m==================\n";
constexpr std::string_view naglowekListy =
    "\n\x1b[1;37;40mZdanie po transformacji na listę:\x1b[0m\n\n\x1b[1;30;40m==================\n";
constexpr std::string_view zamkniecie = "\n==================\n\n\x1b[0m";

// `replace` of each character by nothing, all at once: every character of
// the set is deleted in one pass over the text, in place. The characters
// are ASCII, so no byte of a multi-byte UTF-8 character is ever one of them.
void usunZnaki(std::string& zdanie, const std::array<bool, 256>& doUsuniecia) {
  char* const poczatek = zdanie.data();
  const std::size_t dlugosc = zdanie.size();
  std::size_t zapis = 0;
  for (std::size_t odczyt = 0; odczyt < dlugosc; ++odczyt) {
    const char znak = poczatek[odczyt];
    poczatek[zapis] = znak;
    zapis += doUsuniecia[static_cast<unsigned char>(znak)] ? 0U : 1U;
  }
  zdanie.resize(zapis);
}

}  // namespace

void czyszczenieTekstu(StanDialogu& stan) {
  stan.elementyDoUsuniecia = {',', '"', '.', '?', ':', '\n', '(', ')'};
  std::array<bool, 256> doUsuniecia{};
  for (const char kazdyElement : stan.elementyDoUsuniecia) {
    stan.kazdyElement = kazdyElement;
    doUsuniecia[static_cast<unsigned char>(kazdyElement)] = true;
  }
  usunZnaki(stan.zdanie, doUsuniecia);
  console::print(naglowekZdania, stan.zdanie, zamkniecie);

  stan.wyrazy = text::split(stan.zdanie);
  console::print(naglowekListy, stan.wyrazy, zamkniecie);
}

}  // namespace dialogue
