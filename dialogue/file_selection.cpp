// This file implements the file selection phase.
#include "dialogue/file_selection.h"

#include <new>

#include "console/console.h"
#include "console/error_text.h"
#include "console/general_failure.h"
#include "files/content_type.h"

namespace dialogue {
namespace {

constexpr std::string_view pytanieONazwe =
    "\n\nPodaj nazwę pliku tekstowego razem z rozszerzeniem (*.txt).\n"
    "Plik powinien znajdować się w tym samym folderze, co skrypt Pythona: ";
constexpr std::string_view naglowekBledu = "\n\n\x1b[1;37;41m BŁĄD: \x1b[0m";
constexpr std::string_view komunikatZlejNazwy =
    "\x1b[1;31;40mNazwa pliku lub ścieżka do niego są nieprawidłowe.\nSpróbuj jeszcze raz.\n\x1b[0m";
constexpr std::string_view komunikatZlejZawartosci =
    "\x1b[1;31;40mRozszerzenie pliku wskazuje, że jest to plik tekstowy...\n"
    "ale jego zawartość już nie! Wybierz inny plik.\x1b[0m";
constexpr std::string_view pytaniePoddania =
    "\x1b[1;33;40mCoś chyba nie za bardzo Ci to wychodzi.\n"
    "Przemyśl na spokojnie i spróbuj później.\n\nNaciśnik ENTER...\x1b[0m";

constexpr int limitProb = 3;

bool czyTypTekstowy(const std::optional<std::string_view>& typPliku) {
  return typPliku.has_value() && typPliku->substr(0, 4) == "text";
}

std::string opisPliku(const std::string& nazwa) { return "„" + nazwa + "”"; }

// Opens and reads the named file. Returns false when its content is not
// UTF-8; any other failure is one the dialogue does not handle.
bool wczytajPlik(StanDialogu& stan) {
  files::OpenResult otwarcie = files::open(stan.nazwaPlikuDoOtwarcia);
  if (!otwarcie.file.is_open()) {
    throw console::GeneralFailure("nie można otworzyć pliku " + opisPliku(stan.nazwaPlikuDoOtwarcia) + ": " +
                                  console::describe_error(otwarcie.error_number));
  }
  stan.otwartyPlik = std::move(otwarcie.file);
  files::ReadResult odczyt;
  try {
    odczyt = files::read(stan.otwartyPlik);
  } catch (const std::bad_alloc&) {
    // What was read is freed by now, so the diagnostic has room.
    throw console::GeneralFailure("plik " + opisPliku(stan.nazwaPlikuDoOtwarcia) + " nie mieści się w pamięci");
  }
  switch (odczyt.failure) {
    case files::ReadFailure::none:
      stan.zdanie = std::move(odczyt.text);
      return true;
    case files::ReadFailure::not_utf8:
      // The file is of no further use; it is closed at once.
      files::close(stan.otwartyPlik);
      return false;
    case files::ReadFailure::system:
      break;
  }
  throw console::GeneralFailure("nie można odczytać pliku " + opisPliku(stan.nazwaPlikuDoOtwarcia) + ": " +
                                console::describe_error(odczyt.error_number));
}

}  // namespace

WynikWyboru wyborPliku(StanDialogu& stan) {
  while (!stan.czyWszystkoOK) {
    stan.nazwaPlikuDoOtwarcia = console::input(pytanieONazwe);
    stan.czyPlikIstnieje = files::exists(stan.nazwaPlikuDoOtwarcia);
    stan.typPliku = files::guess_type(stan.nazwaPlikuDoOtwarcia);
    if (stan.czyPlikIstnieje && czyTypTekstowy(stan.typPliku)) {
      if (wczytajPlik(stan)) {
        stan.czyWszystkoOK = true;
      } else {
        console::print(naglowekBledu);
        console::print(komunikatZlejZawartosci);
      }
    } else {
      console::print(naglowekBledu);
      console::print(komunikatZlejNazwy);
    }
    ++stan.licznikPetliWhile;
    if (!stan.czyWszystkoOK && stan.licznikPetliWhile >= limitProb) {
      console::input(pytaniePoddania);
      return WynikWyboru::poddanie;
    }
  }
  return WynikWyboru::plikWczytany;
}

}  // namespace dialogue
