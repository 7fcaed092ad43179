// This file holds the dialogue's texts as the end-to-end tests expect them,
// written out by hand, byte for byte, the pieces of whole outputs made of
// them, and the check of the failure diagnostic.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The dialogue's texts, byte for byte.
namespace say {

inline const std::string file_prompt =
    "\n\nPodaj nazwę pliku tekstowego razem z rozszerzeniem (*.txt).\n"
    "Plik powinien znajdować się w tym samym folderze, co skrypt Pythona: ";
inline const std::string banner = "\n\n\x1b[1;37;41m BŁĄD: \x1b[0m\n";
inline const std::string bad_name =
    "\x1b[1;31;40mNazwa pliku lub ścieżka do niego są nieprawidłowe.\nSpróbuj jeszcze raz.\n\x1b[0m\n";
inline const std::string bad_content =
    "\x1b[1;31;40mRozszerzenie pliku wskazuje, że jest to plik tekstowy...\n"
    "ale jego zawartość już nie! Wybierz inny plik.\x1b[0m\n";
inline const std::string give_up =
    "\x1b[1;33;40mCoś chyba nie za bardzo Ci to wychodzi.\nPrzemyśl na spokojnie i spróbuj później.\n\n"
    "Naciśnik ENTER...\x1b[0m";
inline const std::string search_prompt = "Wpisz wyraz, który chcesz wyszukać: ";
inline const std::string final_prompt = "Naciśnij ENTER, aby zamknąć...";
inline const std::string interrupted = "licznik-wyrazow: przerwano (Ctrl+C)\n";
inline std::string ended_by(const std::string& signal) { return "licznik-wyrazow: zakończono sygnałem " + signal + "\n"; }
inline const std::string colour_reset = "\x1b[0m";

// A failed attempt: the prompt, then the banner and the message.
inline std::string rejected_name() { return file_prompt + banner + bad_name; }
inline std::string rejected_content() { return file_prompt + banner + bad_content; }

inline std::string cleaned_text(const std::string& text) {
  return "\n\n\x1b[1;37;40mPrzeszukiwane zdanie po wyczyszczeniu: \x1b[0m\n\n\x1b[1;30;40m==================\n " +
         text + " \n==================\n\n\x1b[0m\n";
}

inline std::string word_list(const std::string& bracketed) {
  return "\n\x1b[1;37;40mZdanie po transformacji na listę:\x1b[0m\n\n\x1b[1;30;40m==================\n " +
         bracketed + " \n==================\n\n\x1b[0m\n";
}

inline std::string report(const std::string& word, const std::string& count) {
  return "\n\n\x1b[1;32;40mWyraz '" + word + "' wystąpił w tekście " + count + " raz(y).\n\n\x1b[0m\n";
}

// A read file from its cleaned text and list to the final prompt.
inline std::string from_file_to_end(const std::string& text, const std::string& bracketed, const std::string& word,
                             const std::string& count) {
  return file_prompt + cleaned_text(text) + word_list(bracketed) + search_prompt + report(word, count) +
         final_prompt;
}

}  // namespace say

// Checks the diagnostic of the failure path: one line that names the
// program and holds each of `mentions`.
inline void expect_diagnostic(const std::string& err, const std::vector<std::string>& mentions) {
  EXPECT_EQ(err.rfind("licznik-wyrazow: ", 0), 0U) << err;
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
  for (const std::string& mention : mentions) EXPECT_NE(err.find(mention), std::string::npos) << err;
}
