// This file implements the text cleaning phase.
#include "dialogue/text_cleaning.h"

#include <array>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// `elementy` lists the characters, and `doUsuniecia` marks the same ones
// by byte value.
void usunZnaki(std::string& zdanie, const std::array<char, 8>& elementy, const std::array<bool, 256>& doUsuniecia) {
  char* const poczatek = zdanie.data();
  const std::size_t dlugosc = zdanie.size();
  std::size_t odczyt = 0;
  std::size_t zapis = 0;
  // Byte by byte up to `koniec`: each byte is copied, and kept by moving on
  // past it unless it is one to delete.
  const auto poBajcie = [&](std::size_t koniec) {
    for (; odczyt < koniec; ++odczyt) {
      const char znak = poczatek[odczyt];
      poczatek[zapis] = znak;
      zapis += doUsuniecia[static_cast<unsigned char>(znak)] ? 0U : 1U;
    }
  };
#if defined(__SSE2__)
  // 64 bytes at a time: a bit mask tells which of them to delete, and the
  // runs of bytes between those are moved down with 16-byte loads and
  // stores. Every run, up to 64 bytes long, is moved with four of each,
  // which is quicker than working out how many it needs: the bytes stored
  // past the run's end are overwritten by what comes next. That is safe
  // once 64 bytes or more have been deleted: the stores then end before
  // the start of the run, so no byte still to be read is written over.
  // Until then, a window with something to delete goes byte by byte, and
  // one with nothing, while nothing has been deleted yet, stays as it is.
  const __m128i szukane0 = _mm_set1_epi8(elementy[0]);
  const __m128i szukane1 = _mm_set1_epi8(elementy[1]);
  const __m128i szukane2 = _mm_set1_epi8(elementy[2]);
  const __m128i szukane3 = _mm_set1_epi8(elementy[3]);
  const __m128i szukane4 = _mm_set1_epi8(elementy[4]);
  const __m128i szukane5 = _mm_set1_epi8(elementy[5]);
  const __m128i szukane6 = _mm_set1_epi8(elementy[6]);
  const __m128i szukane7 = _mm_set1_epi8(elementy[7]);
  const auto przenies64 = [](char* dokad, const char* skad) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(skad));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(skad + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(skad + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(skad + 48));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dokad), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dokad + 16), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dokad + 32), c);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dokad + 48), d);
  };
  // A run starts at most 63 bytes into the window and is read 64 bytes
  // long, so 128 bytes must follow the window's start.
  while (dlugosc - odczyt >= 128) {
    std::uint64_t doWyciecia = 0;
    for (int blok = 0; blok < 4; ++blok) {
      const __m128i bajty = _mm_loadu_si128(reinterpret_cast<const __m128i*>(poczatek + odczyt + 16 * blok));
      const __m128i trafienia =
          _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bajty, szukane0), _mm_cmpeq_epi8(bajty, szukane1)),
                                    _mm_or_si128(_mm_cmpeq_epi8(bajty, szukane2), _mm_cmpeq_epi8(bajty, szukane3))),
                       _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bajty, szukane4), _mm_cmpeq_epi8(bajty, szukane5)),
                                    _mm_or_si128(_mm_cmpeq_epi8(bajty, szukane6), _mm_cmpeq_epi8(bajty, szukane7))));
      doWyciecia |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(trafienia))) << (16 * blok);
    }
    const std::size_t usuniete = odczyt - zapis;
    if (usuniete < 64) {
      if (doWyciecia != 0 || usuniete != 0) {
        poBajcie(odczyt + 64);
      } else {
        odczyt += 64;
        zapis += 64;
      }
      continue;
    }
    std::size_t poczatekOdcinka = 0;  // in the window
    for (;;) {
      const std::size_t koniecOdcinka =
          doWyciecia != 0 ? static_cast<std::size_t>(__builtin_ctzll(doWyciecia)) : std::size_t{64};
      przenies64(poczatek + zapis, poczatek + odczyt + poczatekOdcinka);
      zapis += koniecOdcinka - poczatekOdcinka;
      if (doWyciecia == 0) break;
      poczatekOdcinka = koniecOdcinka + 1;
      doWyciecia &= doWyciecia - 1;
    }
    odczyt += 64;
  }
#endif
  poBajcie(dlugosc);
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
  usunZnaki(stan.zdanie, stan.elementyDoUsuniecia, doUsuniecia);
  console::print(naglowekZdania, stan.zdanie, zamkniecie);

  stan.wyrazy = text::split(stan.zdanie);
  console::print(naglowekListy, stan.wyrazy, zamkniecie);
}

}  // namespace dialogue
