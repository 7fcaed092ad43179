// This file implements the dialogue driver: the console set-up, the three
// phases in order, and the only place that turns outcomes into exit codes.
#include "dialogue/driver.h"

#include <csignal>
#include <cstdlib>
#include <new>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include "console/console.h"
#include "console/diagnostic_text.h"
#include "console/general_failure.h"
#include "dialogue/file_selection.h"
#include "dialogue/state.h"
#include "dialogue/text_cleaning.h"
#include "dialogue/word_search.h"

namespace dialogue {
namespace {

constexpr int kodKonca = 0;
constexpr int kodBledu = 1;

// The command interpreter is run once with a single space: on Windows this
// is what switches the console to understanding colour sequences. Its
// result does not matter, but an interrupt that ended it ends the run too.
// While `system` waits, it ignores SIGINT itself, so an interrupt sent to
// this process alone in that moment is lost; Ctrl+C at the terminal
// reaches the interpreter as well, and its end by the interrupt
// ends the run.
void przygotujKonsole() {
  [[maybe_unused]] const int wynik = std::system(" ");
#if !defined(_WIN32)
  if (wynik != -1 && WIFSIGNALED(wynik) && WTERMSIG(wynik) == SIGINT) {
    throw console::GeneralFailure(std::string(console::interrupted));
  }
#endif
}

int przebiegDialogu() {
  przygotujKonsole();
  StanDialogu stan;
  stan.czyWszystkoOK = false;
  stan.licznikPetliWhile = 0;
  if (wyborPliku(stan) == WynikWyboru::poddanie) {
    console::flush();
    return kodKonca;
  }
  czyszczenieTekstu(stan);
  wyszukiwanieWyrazu(stan);
  console::flush();
  return kodKonca;
}

}  // namespace

int uruchomDialog() {
  console::prepare(kodBledu);
  try {
    return przebiegDialogu();
  } catch (const console::GeneralFailure& blad) {
    console::report_failure(blad.what());
  } catch (const std::bad_alloc&) {
    console::report_failure("za mało pamięci");
  } catch (const std::exception& blad) {
    console::report_failure(std::string("nieoczekiwany błąd: ") + blad.what());
  }
  return kodBledu;
}

}  // namespace dialogue
